#pragma once

#include "platform/gui/Palette.h"
#include "views/kit/ModalCard.h"

#include <QMetaObject>
#include <QWidget>

#include <functional>
#include <initializer_list>

// A prompt laid over the main window: a dimmed backdrop that covers the window as it is
// resized, with the card centred on it; the card's content is the prompt's own. The prompt is
// modal: Tab goes round its own controls only, and a focus that strays to the window beneath
// comes back to its home control. A click on the backdrop never reaches the window; it is
// reported by `backdropPressed`.
class ModalPrompt : public QWidget {
    Q_OBJECT
public:
    ModalPrompt(int cardWidth, Palette::Material material, QWidget* parent);
    ~ModalPrompt() override;

    ModalCard* card() const { return card_; }
    // The prompt is on its way out: it takes no clicks and keeps no focus, and its keys and
    // buttons should do nothing (`leaving`).
    void leave();
    bool leaving() const { return leaving_; }
    // The focus goes to the home control, or to the prompt itself while that is disabled.
    void takeFocus();
    // Sizes the card to its content and centres it again.
    void placeCard();
    // Comes in, or goes and is then deleted: a fade with the card scaled from 94 % about its
    // centre, by the standard animation. Going while it comes takes over from where it is.
    void appear();
    void vanish();
    double cardScale() const;

Q_SIGNALS:
    void backdropPressed();

protected:
    void setFocusHome(QWidget* control) { home_ = control; }
    // Each of `keys` runs `action` while the focus is inside the prompt.
    void onKeys(std::initializer_list<Qt::Key> keys, const std::function<void()>& action);

    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    bool focusNextPrevChild(bool next) override;

private:
    void holdFocus(QWidget* now);
    void animate(bool in);

    ModalCard* card_;
    QWidget* home_ = nullptr;
    QMetaObject::Connection focusWatch_;
    bool leaving_ = false;
};
