#pragma once

#include "app/AppShell.h"

#include <QObject>
#include <QStringList>
#include <QUrl>

#include <functional>
#include <memory>

class AccountDeletion;
class AppDelegate;
class FoldingMainWindow;
class LoginChoice;
class LoginItem;
class Onboarding;
class MainWindow;
class QtNotchDesktop;
class RunningCopies;
class Setup;
class SetupWindow;
class WelcomeWindow;
class SingleInstance;
class StatusItem;
class Store;

// The composition root: builds the shell, the settings, the store with its collaborators, the
// windows and the tray once, and runs the launch sequence.
class App final : public QObject {
    Q_OBJECT
public:
    // Everything main() does after recording the arguments; the process's exit code.
    static int run(int argc, char** argv);

    explicit App(SingleInstance& instance);
    ~App() override;

    // Where an address handed over by a later launch goes (the sign-in redirect).
    void onRedirect(std::function<void(QUrl)> handler) { redirect_ = std::move(handler); }

private:
    void installSceneHooks();
    // The first run's housekeeping over this copy's bundle, the login item and the other copies.
    void installFirstRun();
    void makeSettings();
    void showSettings();
    // Arguments a later launch of this bundle handed over: an address, else a reopen.
    void received(const QStringList& args);

    SingleInstance& instance_;
    AppShell shell_;
    // Installed before the store exists, since the store's notch scheduler reads it.
    std::unique_ptr<QtNotchDesktop> notchDesktop_;
    Store* store_ = nullptr;
    std::unique_ptr<MainWindow> main_;
    FoldingMainWindow* fold_ = nullptr; // owned by main_; the island grows the window through it
    // What the settings window acts through: the first run's login item and the store's deletion.
    std::unique_ptr<LoginChoice> loginChoice_;
    std::unique_ptr<AccountDeletion> accountDeletion_;
    std::unique_ptr<QWidget> settings_;
    std::unique_ptr<StatusItem> status_;
    std::unique_ptr<LoginItem> loginItem_;
    std::unique_ptr<RunningCopies> copies_;
    std::unique_ptr<Setup> setup_;
    std::unique_ptr<SetupWindow> setupWindow_;
    std::unique_ptr<WelcomeWindow> welcomeWindow_;
    std::unique_ptr<Onboarding> welcome_;
    std::unique_ptr<AppDelegate> delegate_;
    std::function<void(QUrl)> redirect_;
};
