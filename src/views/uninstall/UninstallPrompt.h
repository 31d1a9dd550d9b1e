#pragma once

#include "install/Leftover.h"
#include "model/InstalledApp.h"
#include "views/kit/ModalLayer.h"
#include "views/kit/ModalPrompt.h"
#include "views/uninstall/UninstallChoice.h"

#include <QCoro/QCoroTask>
#include <QPointer>

#include <functional>
#include <memory>

class AppItem;

class QAbstractButton;
class FadedCheckBox;
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
class UninstallPrompt : public ModalPrompt {
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

    const UninstallChoice& choice() const { return choice_; }
    // Ticks a leftover as its row's check box does.
    void setChosen(const Leftover& leftover, bool chosen);
    QPushButton* confirmButton() const { return confirm_; }
    QPushButton* permanentButton() const { return permanent_; }
    QPushButton* cancelButton() const { return cancel_; }
    // The search's answer; also what the started search delivers.
    void showFound(QList<Leftover> found);
    void close();

private:
    void search();
    void press();
    void refresh();
    QWidget* dataSection();

    UninstallChoice choice_;
    Operations operations_;
    QVBoxLayout* cardLayout_;
    QLabel* title_;
    QWidget* data_ = nullptr;
    QCheckBox* allData_ = nullptr;
    QList<QPair<Leftover, FadedCheckBox*>> rows_;
    QPushButton* trash_;
    QPushButton* permanent_;
    PlainLabel* note_;
    QPushButton* cancel_;
    QPushButton* confirm_;
};

// Keeps the uninstall prompt over `window` while the store's removing row is set: a fresh
// prompt for each row.
class UninstallLayer : public ModalLayer {
    Q_OBJECT
public:
    UninstallLayer(Store& store, QWidget* window);

    UninstallPrompt* prompt() const { return static_cast<UninstallPrompt*>(shown()); }

private:
    void follow();

    Store& store_;
    std::weak_ptr<AppItem> row_;
};
