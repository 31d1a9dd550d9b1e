// Makes the demo sandbox, serves its updates on 127.0.0.1 and runs Quenlark against it until
// Quenlark ends; the server stops with it. Whatever ends the demo ends Quenlark too: a signal
// (SIGTERM, SIGINT, SIGHUP) is passed on to it, and the kernel sends it SIGTERM when the demo
// dies without a word (SIGKILL). With "--end-with <pid>" the demo also ends when that process
// does, so a script that starts it through a wrapper can be killed outright. With "--check" it
// only says whether the sandbox can be taken, before a script starts anything else of the demo.
#include "AuthEmulator.h"
#include "DemoLibrary.h"
#include "DemoSandbox.h"
#include "RunSync.h"

#include "model/Launch.h"
#include "platform/files/UniqueFd.h"

#include <QCoreApplication>
#include <QDir>
#include <QProcess>
#include <QSocketNotifier>
#include <QTextStream>
#include <QTimer>

#include <clocale>
#include <csignal>
#include <exception>
#include <sys/prctl.h>
#include <sys/signalfd.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

sigset_t endingSignals() {
    sigset_t set;
    sigemptyset(&set);
    for (const int signal : {SIGTERM, SIGINT, SIGHUP})
        sigaddset(&set, signal);
    return set;
}

} // namespace

int main(int argc, char** argv) {
    // Before any thread exists, so that every thread inherits the mask and the signals arrive
    // only through the signalfd read on the event loop.
    const sigset_t ending = endingSignals();
    sigprocmask(SIG_BLOCK, &ending, nullptr);
    prctl(PR_SET_PDEATHSIG, SIGTERM);

    Launch::init(argc, argv);
    QCoreApplication application(argc, argv);
    setlocale(LC_NUMERIC, "C");
    QTextStream err(stderr);

    // In the build folder, never beside the sources.
    const QString root = Launch::value(QStringLiteral("--root")).value_or(QStringLiteral(QUENLARK_DEMO_ROOT));
    DemoSandbox demo(root);
    const auto refused = [&err](const std::exception& error) {
        err << "The demo could not be made: " << error.what() << "\n";
        return 1;
    };
    if (Launch::has(QStringLiteral("--check"))) {
        try {
            demo.check();
        } catch (const std::exception& error) {
            return refused(error);
        }
        return 0;
    }
    const auto app = Launch::value(QStringLiteral("--app"));
    if (!app) {
        err << "usage: quenlark-demo --app <Quenlark.app> [--root <folder>] [--end-with <pid>] [-- <more arguments "
               "for Quenlark>]\n       quenlark-demo --check [--root <folder>]\n";
        return 2;
    }
    QStringList extra;
    if (const auto dashes = Launch::args().indexOf(QStringLiteral("--")); dashes >= 0)
        extra = Launch::args().mid(dashes + 1);

    UniqueFd owner;
    if (const auto pid = Launch::value(QStringLiteral("--end-with"))) {
        bool number = false;
        const int value = pid->toInt(&number);
        if (!number || value <= 0) {
            err << "--end-with needs a process id\n";
            return 2;
        }
        owner.reset(int(::syscall(SYS_pidfd_open, value, 0)));
        if (!owner) {
            err << "The process " << value << " the demo should end with is gone.\n";
            return 1;
        }
    }

    try {
        demo.make(*app);
    } catch (const std::exception& error) {
        return refused(error);
    }
    err << "Demo sandbox: " << demo.applications() << "\nUpdate server: " << demo.mock().toString() << "\n";
    // With both emulators, an account whose library knows another Mac.
    if (const auto cloud = AuthEmulator::withFirestore()) {
        try {
            runSync(DemoLibrary::seed(*cloud, demo.studio()));
            err << "Demo account: " << DemoLibrary::email << ", password " << DemoLibrary::password
                << " (its library also lists the apps of a Mac named " << DemoLibrary::studioName << ")\n";
        } catch (const std::exception& error) {
            err << "The demo account could not be made: " << error.what() << "\n";
        }
    }
    err.flush();

    QProcess quenlark;
    quenlark.setProcessEnvironment(demo.environment());
    quenlark.setProcessChannelMode(QProcess::ForwardedChannels);
    const pid_t runner = ::getpid();
    quenlark.setChildProcessModifier([runner, ending] {
        // Quenlark goes when the demo goes, even when the demo is killed outright; a demo gone
        // before this line ran is caught by the parent check.
        ::prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (::getppid() != runner)
            ::_exit(1);
        sigprocmask(SIG_UNBLOCK, &ending, nullptr);
    });

    int status = 0;
    bool ended = false;
    // Ends Quenlark as a person quitting would, and the event loop with it.
    const auto end = [&](int code) {
        if (ended)
            return;
        ended = true;
        status = code;
        if (quenlark.state() == QProcess::NotRunning) {
            application.quit();
            return;
        }
        quenlark.terminate();
        QTimer::singleShot(10000, &quenlark, [&quenlark] { quenlark.kill(); });
    };

    const UniqueFd signals(::signalfd(-1, &ending, SFD_CLOEXEC | SFD_NONBLOCK));
    QSocketNotifier onSignal(signals.get(), QSocketNotifier::Read);
    QObject::connect(&onSignal, &QSocketNotifier::activated, [&] {
        signalfd_siginfo info{};
        if (::read(signals.get(), &info, sizeof info) == ssize_t(sizeof info))
            end(128 + int(info.ssi_signo));
    });
    std::unique_ptr<QSocketNotifier> onOwner;
    if (owner) {
        onOwner = std::make_unique<QSocketNotifier>(owner.get(), QSocketNotifier::Read);
        QObject::connect(onOwner.get(), &QSocketNotifier::activated, [&] {
            onOwner->setEnabled(false);
            end(1);
        });
    }
    QObject::connect(&quenlark, &QProcess::finished, [&](int code, QProcess::ExitStatus exit) {
        if (!ended)
            status = exit == QProcess::NormalExit ? code : 1;
        application.quit();
    });

    quenlark.start(demo.applications() + QStringLiteral("/Quenlark.app/Contents/MacOS/quenlark"),
                   demo.arguments() + extra);
    if (!quenlark.waitForStarted(-1)) {
        err << "Quenlark could not be started: " << quenlark.errorString() << "\n";
        return 1;
    }
    if (!ended)
        application.exec();
    err << "The update server answered " << demo.requests() << " requests.\n";
    return status;
}
