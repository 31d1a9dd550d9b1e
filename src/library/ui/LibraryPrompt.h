#pragma once

#include "library/LibraryPromptModel.h"
#include "views/kit/ModalCard.h"

#include <QMetaObject>
#include <QWidget>

class QPushButton;
class QVBoxLayout;

// The card over the main window that asks one library question: the installer-package consent
// or the removal from the library. The dimmed window around it takes no clicks; only the
// card's buttons and Escape end the question, and only the first of them counts.
class LibraryPrompt : public QWidget {
    Q_OBJECT
public:
    LibraryPrompt(Store& store, QWidget* parent);
    ~LibraryPrompt() override;

    const LibraryPromptModel& model() const { return model_; }
    QWidget* card() const { return card_; }
    // "Skip This App" or "Cancel".
    QPushButton* cancelButton() const { return cancel_; }
    // "Continue…" or "Remove".
    QPushButton* confirmButton() const { return confirm_; }
    // The prompt is on its way out: its buttons and keys do nothing, it keeps no focus.
    void leave();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    bool focusNextPrevChild(bool next) override;

private:
    void buildConsent();
    void buildRemoval();
    void addButtons(const QString& cancel, const QString& confirm, QString (*confirmStyle)());
    void dismiss();
    void confirm();
    void holdFocus(QWidget* now);

    LibraryPromptModel model_;
    ModalCard* card_;
    QVBoxLayout* cardLayout_;
    QPushButton* cancel_ = nullptr;
    QPushButton* confirm_ = nullptr;
    QMetaObject::Connection focusWatch_;
    bool leaving_ = false;
};
