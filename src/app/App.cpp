#include "app/App.h"

#include "account/GoogleSignIn.h"
#include "account/SiteLinks.h"
#include "app/AppDelegate.h"
#include "app/LiveCollaborators.h"
#include "app/MainWindow.h"
#include "app/StatusItem.h"
#include "app/Windows.h"
#include "model/Launch.h"
#include "model/MainBundle.h"
#include "model/Prefs.h"
#include "notch/ui/FoldingMainWindow.h"
#include "notch/ui/QtNotchDesktop.h"
#include "onboarding/LiveOnboardingHooks.h"
#include "onboarding/Onboarding.h"
#include "onboarding/Setup.h"
#include "onboarding/Tour.h"
#include "onboarding/ui/OnboardingView.h"
#include "onboarding/ui/SetupWindow.h"
#include "onboarding/ui/WelcomeWindow.h"
#include "platform/desktop/InstanceLock.h"
#include "platform/desktop/LoginItem.h"
#include "platform/desktop/Relaunch.h"
#include "platform/desktop/RunningCopies.h"
#include "platform/desktop/SingleInstance.h"
#include "platform/gui/SystemTray.h"
#include "platform/system/Defaults.h"
#include "runtime/Clock.h"
#include "runtime/Log.h"
#include "runtime/Spawn.h"
#include "settings/SettingsModel.h"
#include "settings/SetupLoginChoice.h"
#include "settings/StoreAccountDeletion.h"
#include "settings/ui/SettingsView.h"
#include "store/NotchHooks.h"
#include "store/OnboardingHooks.h"
#include "store/Store.h"
#include "views/MainView.h"
#include "views/cards/RowAccessoryModel.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>

#include <clocale>

namespace {

QElapsedTimer& sinceStart() {
    static QElapsedTimer timer;
    return timer;
}

QIcon appIcon() {
    const auto file = MainBundle::resource(QStringLiteral("AppIcon.svg"));
    return file ? QIcon(*file) : QIcon();
}

// An operand that is an address with a scheme of its own (not a file).
std::optional<QUrl> address(const QString& argument) {
    if (argument.startsWith(QLatin1Char('/')))
        return std::nullopt;
    const QUrl url(argument, QUrl::StrictMode);
    if (!url.isValid() || url.scheme().size() < 2 || url.scheme() == QLatin1String("file"))
        return std::nullopt;
    return url;
}

// "Quit Quenlark", from every path. QCoreApplication::quit() would first close every window and
// give up when one refuses, and the main window refuses a close while it folds instead.
void quit() { QCoreApplication::exit(0); }

} // namespace

int App::run(int argc, char** argv) {
    sinceStart().start();
    // Wayland lets no client place its windows; the island and the fold need that.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && !qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "xcb");
    // The session's start-up id names the process it started, which may be a launcher or a
    // terminal that passed it on; no program we start may take it as its own.
    qunsetenv("DESKTOP_AUTOSTART_ID");
    QApplication application(argc, argv);
    setlocale(LC_NUMERIC, "C");
    QApplication::setApplicationName(QStringLiteral("Quenlark"));
    QApplication::setDesktopFileName(MainBundle::identifier());
    // Only "Quit Quenlark" ends the application.
    QApplication::setQuitOnLastWindowClosed(false);

    const QString bundle = MainBundle::path().value_or(QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath());
    const QString socket = SingleInstance::socketPath(Launch::sandbox());
    // Held until this copy has decided which copy stays, so that copies launched together
    // decide one after another.
    InstanceLock deciding(socket);
    SingleInstance instance(socket, bundle, QString());
    switch (instance.claim(Launch::args())) {
    case SingleInstance::Outcome::HandedOver:
        return 0;
    case SingleInstance::Outcome::Beside:
        // Another copy runs as well: each writes its settings through, one at a time.
    case SingleInstance::Outcome::Owner:
        break;
    }

    int status = 0;
    {
        App app(instance);
        deciding.release();
        status = application.exec();
    }
    // The settings are written in the background: what changed up to the end reaches the file.
    if (!Defaults::flushAll())
        qWarning("Some settings could not be written before quitting.");
    return status;
}

App::App(SingleInstance& instance)
    : instance_(instance),
      shell_(AppShell::Hooks{[this] { return store_ ? store_->openMain : std::function<void()>(); },
                             [this]() -> QWidget* { return main_.get(); },
                             [this] {
                                 if (store_)
                                     store_->notch().show(false, false);
                             }}) {
    Shell::install(&shell_);
    // A Google sign-in's redirect reaches us as a later launch's argument.
    onRedirect([](QUrl url) { GoogleSignIn::handleRedirect(url); });
    QApplication::setWindowIcon(appIcon());
    Prefs& prefs = Prefs::shared();
    // The widgets are built in the appearance they open in: a later change of style polishes
    // every one of them again before the first frame.
    prefs.applyTheme();
    notchDesktop_ = std::make_unique<QtNotchDesktop>();
    NotchDesktop::install(notchDesktop_.get());
    store_ = &Store::create(LiveCollaborators::make());
    Store* store = store_;

    Commands::Actions actions;
    actions.settings = [this] { showSettings(); };
    actions.quit = quit;
    actions.checkAgain = [store] { spawn(store->refresh(), "Check Again"); };
    actions.updateAll = [store] { spawn(store->updateAll(), "Update All"); };
    actions.tour = [store] { store->onboarding().startTour(); };
    actions.welcome = [store] { store->onboarding().showOnboarding(); };
    actions.feedback = [store] { store->openPage(SiteLinks::feedback()); };
    main_ = std::make_unique<MainWindow>(Commands::menus(actions));
    // The dashboard is built on the loop's first turn, while the launch waits before it opens the
    // window, and polished then, so that the opening only lays it out and draws it.
    const auto build = [this, store] {
        main_->setContent(new MainView(*store, Prefs::shared(), Clock::shared()));
        main_->ensurePolished();
    };
    QMetaObject::invokeMethod(this, build, Qt::QueuedConnection);
    auto* fold = new FoldingMainWindow(main_.get(), {});
    fold_ = fold;
    main_->setCloser([fold] { return fold->mayClose(); });
    connect(main_.get(), &MainWindow::firstShown, this,
            [] { qCDebug(lcApp).noquote() << "main window shown after" << sinceStart().elapsed() << "ms"; });
    installSceneHooks();
    notchDesktop_->setFold(fold);
    notchDesktop_->setStore(store);

    StatusItem::Environment item;
    item.store = store;
    item.prefs = &prefs;
    item.notch = &store->notch();
    item.makeTray = [] { return std::unique_ptr<Tray>(new SystemTray()); };
    item.appIcon = QApplication::windowIcon();
    item.quit = quit;
    item.installHooks = [this] { installSceneHooks(); };
    status_ = std::make_unique<StatusItem>(std::move(item));

    AppDelegate::Environment launch;
    launch.store = store;
    launch.prefs = &prefs;
    launch.notch = &store->notch();
    launch.onboarding = &store->onboarding();
    launch.statusItem = status_.get();
    launch.clock = &Clock::shared();
    launch.sandbox = Launch::sandbox();
    // A sandbox skips the launch housekeeping; the start-up benchmark turns it on to weigh it.
    if (launch.sandbox && qEnvironmentVariable("QUENLARK_FIRST_RUN_CHECKS") == QLatin1String("1"))
        launch.sandbox.reset();
    launch.becomeAccessory = [this] { shell_.setActivationPolicy(AppShell::ActivationPolicy::accessory); };
    launch.sinceStart = [] { return std::chrono::milliseconds(sinceStart().elapsed()); };
    launch.firstRefreshFinished = [] {
        qCDebug(lcApp).noquote() << "first check finished after" << sinceStart().elapsed() << "ms";
    };
    delegate_ = std::make_unique<AppDelegate>(std::move(launch), Launch::args());
    installFirstRun();
    loginChoice_ = std::make_unique<SetupLoginChoice>(*setup_);
    accountDeletion_ = std::make_unique<StoreAccountDeletion>(*store);

    connect(&instance_, &SingleInstance::argumentsReceived, this,
            guarded([this](const QStringList& args) { received(args); }, "handed-over arguments"));
    connect(&instance_, &SingleInstance::activateRequested, this,
            guarded([this] { shell_.openMainWindow(); }, "activate"));
    connect(&instance_, &SingleInstance::quitRequested, this, quit);
    connect(qApp, &QGuiApplication::applicationStateChanged, this,
            guarded(
                [this](Qt::ApplicationState state) {
                    if (state == Qt::ApplicationActive)
                        delegate_->becameActive();
                },
                "became active"));

    delegate_->willFinishLaunching();
    delegate_->didFinishLaunching();
}

App::~App() {
    // What watches the store goes first, then the store, while the application object still
    // stands: the store's rows, notifier and catalogue are QObjects, and what they leave for
    // deletion is deleted now rather than never.
    delegate_.reset();
    status_.reset();
    LiveOnboardingHooks::shared().install(nullptr, {});
    settings_.reset();
    welcome_.reset();
    welcomeWindow_.reset();
    setupWindow_.reset();
    fold_ = nullptr;
    main_.reset();
    Store::release();
    store_ = nullptr;
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    NotchDesktop::install(nullptr);
    Shell::install(nullptr);
}

void App::installSceneHooks() {
    store_->openMain = [this] {
        if (main_)
            Windows::bringForward(main_.get());
    };
    store_->openSettingsWindow = [this] { showSettings(); };
}

void App::installFirstRun() {
    const QString executable = QFileInfo(QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath()).fileName();
    const std::optional<QString> bundle = MainBundle::path();
    loginItem_ = std::make_unique<LoginItem>(bundle ? *bundle + QStringLiteral("/Contents/MacOS/") + executable
                                                    : QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath());
    copies_ = std::make_unique<RunningCopies>(instance_);
    Setup::Environment e;
    e.bundle = bundle.value_or(QString());
    e.executable = executable;
    e.home = QDir::homePath();
    e.defaults = Defaults::standard();
    e.loginItem = loginItem_.get();
    e.copies = copies_.get();
    e.relaunch = [](const QString& at, const QString& program) { return Relaunch::start(at, program); };
    // Queued: during the launch the event loop has not started, and a direct exit would be lost.
    e.terminate = [] {
        QMetaObject::invokeMethod(
            qApp, [] { QCoreApplication::exit(0); }, Qt::QueuedConnection);
    };
    setup_ = std::make_unique<Setup>(std::move(e));
    setupWindow_ = std::make_unique<SetupWindow>(*setup_, [this] { return store_->openSettingsWindow; });
    welcomeWindow_ = std::make_unique<WelcomeWindow>([this](OnboardingModel& model) -> QWidget* {
        OnboardingView::Environment view;
        view.model = &model;
        view.onboarding = welcome_.get();
        view.setup = setup_.get();
        view.store = store_;
        view.prefs = &Prefs::shared();
        view.sandbox = Launch::sandbox().has_value();
        view.openPermissionSettings = [this] { shell_.openUrl(RowAccessoryModel::appManagementPane()); };
        return new OnboardingView(std::move(view));
    });
    Onboarding::Environment flow;
    flow.prefs = &Prefs::shared();
    flow.setup = setup_.get();
    flow.clock = &Clock::shared();
    flow.sandbox = Launch::sandbox().has_value();
    flow.openWindow = [this](OnboardingModel& model) { welcomeWindow_->open(model); };
    flow.windowOpen = [this] { return welcomeWindow_->isOpen(); };
    flow.bringForward = [this] { welcomeWindow_->bringForward(); };
    flow.closeWindow = [this] { welcomeWindow_->close(); };
    flow.openMainWindow = [this] { store_->openMainWindow(); };
    flow.startTour = [this] { store_->onboarding().startTour(); };
    welcome_ = std::make_unique<Onboarding>(std::move(flow));
    LiveOnboardingHooks::Windows windows;
    windows.setup = [this](SetupStep start) { setupWindow_->show(start); };
    windows.welcome = [this] { welcome_->show(); };
    windows.tour = [this] { Tour::take(*store_); };
    LiveOnboardingHooks::shared().install(setup_.get(), std::move(windows));
}

// Made when first asked for: a hidden window would follow every change of the store from the
// launch on, and building its tabs would hold up the main window's first frame.
void App::makeSettings() {
    if (!settings_)
        settings_ = std::make_unique<SettingsView>(std::make_unique<SettingsModel>(
            SettingsModel::Services{*store_, Prefs::shared(), *loginChoice_, *accountDeletion_, Clock::shared()}));
}

void App::showSettings() {
    makeSettings();
    AppShell::activate();
    Windows::bringForward(settings_.get());
}

void App::received(const QStringList& args) {
    // Only operands: a copy started with "--mock <address>" is reopening, not handing that over.
    for (const QString& argument : Launch::operands(args)) {
        if (const auto url = address(argument)) {
            if (redirect_)
                redirect_(*url);
            return;
        }
    }
    if (delegate_->shouldHandleReopen()) {
        // The platform's own reopen: the window comes back from the dock or forward.
        if (QWidget* window = Windows::main(MainWindow::title))
            Windows::bringForward(window);
    }
}
