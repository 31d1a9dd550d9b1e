#pragma once

#include "install/Leftover.h"
#include "model/InstalledApp.h"
#include "views/kit/ModalCard.h"
#include "views/uninstall/UninstallChoice.h"

#include <QCoro/QCoroTask>
#include <QPointer>
#include <QWidget>

#include <functional>
#include <memory>

class AppItem;

class QAbstractButton;
class QCheckBox;
class PlainLabel;
class QLabel;
class QPushButton;
class QVBoxLayout;
class Store;

// The panel over the main window in which the user confirms removing one application: its
// leftovers (searched when the prompt appears), which of them go too, Trash or permanent
// deletion (armed by a first press), and the removal itself. Escape, Return ("Cancel") and a
// click on the dimmed backdrop close it, except while the removal runs.
class UninstallPrompt : public QWidget {
    Q_OBJECT
public:
    // What the prompt asks of the store, as functions so pictures and tests can stand in.
    struct Operations {
        std::function<QCoro::Task<QList<Leftover>>(InstalledApp app)> leftovers;
        std::function<QCoro::Task<void>(QList<Leftover> data, bool permanently)> uninstall;
        std::function<void()> close; // the store's removing row becomes nothing
        static Operations of(Store& store, std::shared_ptr<AppItem> item);
    };

    UninstallPrompt(InstalledApp app, QString userLibrary, Operations operations, QWidget* parent);
    ~UninstallPrompt() override;

    const UninstallChoice& choice() const { return choice_; }
    // Ticks a leftover as its row's check box does.
    void setChosen(const Leftover& leftover, bool chosen);
    QPushButton* confirmButton() const { return confirm_; }
    QPushButton* permanentButton() const { return permanent_; }
    QPushButton* cancelButton() const { return cancel_; }
    QWidget* card() const { return card_; }
    // The search's answer; also what the started search delivers.
    void showFound(QList<Leftover> found);
    void close();
    // The prompt is on its way out: it no longer holds the keyboard focus.
    void leave();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    // Tab and Shift+Tab go round the prompt's own controls only.
    bool focusNextPrevChild(bool next) override;

private:
    void search();
    void press();
    void refresh();
    QWidget* dataSection();
    void fitToParent();
    void placeCard();
    void holdFocus(QWidget* now);

    UninstallChoice choice_;
    Operations operations_;
    QMetaObject::Connection focusWatch_;
    ModalCard* card_;
    QVBoxLayout* cardLayout_;
    QLabel* title_;
    QWidget* data_ = nullptr;
    QCheckBox* allData_ = nullptr;
    QList<QPair<Leftover, QCheckBox*>> rows_;
    QPushButton* trash_;
    QPushButton* permanent_;
    PlainLabel* note_;
    QPushButton* cancel_;
    QPushButton* confirm_;
    bool leaving_ = false;
};

// Keeps the uninstall prompt over `window` while the store's removing row is set: a fresh
// prompt for each row, faded in and out by the standard animation.
class UninstallLayer : public QObject {
    Q_OBJECT
public:
    UninstallLayer(Store& store, QWidget* window);

    UninstallPrompt* prompt() const { return prompt_; }

private:
    void follow();

    Store& store_;
    QWidget* window_;
    std::weak_ptr<AppItem> shown_;
    QPointer<UninstallPrompt> prompt_;
};
