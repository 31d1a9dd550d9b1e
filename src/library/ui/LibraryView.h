#pragma once

#include "library/LibraryScreenModel.h"
#include "runtime/Observation.h"
#include "store/Store.h"

#include <QWidget>

#include <optional>

class AccountMenu;
class Clock;
class ContentUnavailable;
class LibraryActionBar;
class LibraryList;
class LibraryTabPicker;
class MacPicker;
class PlainLabel;
class QPushButton;
class QStackedLayout;
class SignInScreen;

// The library screen the main window shows under its library filter: a notice when this build
// has no cloud settings, the sign-in form while no one is signed in, else the tabs, the Mac
// picker, the account menu, the sync error, the rows, the empty view and the action bar. Its
// only state of its own is the chosen Mac, none when it is made.
class LibraryView : public QWidget {
    Q_OBJECT
public:
    LibraryView(Store& store, Clock& clock, QWidget* parent = nullptr);
    ~LibraryView() override;

    const std::optional<QString>& device() const { return device_; }
    void setDevice(std::optional<QString> device);
    // Applies what changed now instead of on the next turn (benchmarks, tests).
    void flush();

    LibraryTabPicker* tabs() const { return tabs_; }
    MacPicker* macPicker() const { return macs_; }
    AccountMenu* accountMenu() const { return account_; }
    LibraryList* list() const { return list_; }
    LibraryActionBar* actionBar() const { return bar_; }
    ContentUnavailable* emptyView() const { return empty_; }
    SignInScreen* signInScreen() const { return signIn_; }
    QWidget* signedInView() const { return signedIn_; }
    QPushButton* tryAgainButton() const { return tryAgain_; }

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    enum class Mode { unavailable, signedOut, signedIn };
    struct Snapshot {
        Mode mode = Mode::signedOut;
        Store::LibraryRows rows;
        LibraryScreenModel::ActionBar bar;
    };

    void follow();
    void apply();
    void place();
    bool eventFilter(QObject* watched, QEvent* event) override;

    Store& store_;
    Clock& clock_;
    std::optional<QString> device_;
    Observation::Handle tracking_;
    Snapshot now_;
    bool syncStarted_ = false;

    QStackedLayout* modes_;
    ContentUnavailable* unavailable_;
    SignInScreen* signIn_;
    QWidget* signedIn_;
    LibraryTabPicker* tabs_;
    MacPicker* macs_;
    AccountMenu* account_;
    QWidget* errorLine_;
    PlainLabel* error_;
    QPushButton* tryAgain_;
    QWidget* listArea_;
    LibraryList* list_;
    ContentUnavailable* empty_;
    LibraryActionBar* bar_;
};
