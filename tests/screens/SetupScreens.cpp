#include "SetupScreens.h"

#include "FakeSetup.h"
#include "ScreenSamples.h"

#include "onboarding/Setup.h"
#include "onboarding/SetupModel.h"
#include "onboarding/ui/SetupView.h"
#include "platform/gui/Palette.h"
#include "platform/system/Defaults.h"
#include "runtime/FileError.h"

#include <QApplication>
#include <QDir>
#include <QPainter>
#include <QVBoxLayout>

#include <cerrno>
#include <cstdio>

namespace {

class Backdrop : public QWidget {
protected:
    void paintEvent(QPaintEvent*) override { QPainter(this).fillRect(rect(), Palette::current().window()); }
};

QCoro::Task<QString> failingMove(Setup::Move move) {
    throw FileError(FileError::Op::Copy, move.source, ENOSPC);
    co_return QString();
}

} // namespace

bool SetupScreens::render(const QString& out, const QString& theme) {
    FakeSetup fake(QStringLiteral("setup-screens"));
    Setup downloads = fake.make(QDir::homePath() + QStringLiteral("/Downloads/Quenlark.app"), QDir::homePath());
    Setup translocated = fake.make(QStringLiteral("/private/var/folders/x/T/AppTranslocation/1/d/Quenlark.app"));

    struct Shot {
        const char* name;
        Setup* setup;
        SetupStep step;
        bool failed;
    };
    const Shot shots[] = {
        {"move", &downloads, SetupStep::move, false},
        {"move-translocated", &translocated, SetupStep::move, false},
        {"move-failed", &downloads, SetupStep::move, true},
        {"login", &downloads, SetupStep::login, false},
        {"done", &downloads, SetupStep::done, false},
    };
    bool ok = true;
    for (const Shot& shot : shots) {
        SetupModel model(*shot.setup, shot.step, failingMove);
        if (shot.failed) {
            auto moving = model.moveToApplications();
            ScreenSamples::settle(50);
        }
        Backdrop host;
        auto* layout = new QVBoxLayout(&host);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->setSizeConstraint(QLayout::SetFixedSize);
        layout->addWidget(new SetupView(
            model, [] {}, [] {}));
        host.show();
        ScreenSamples::settle(50);
        const QString path = out + QStringLiteral("/setup-") + QString::fromLatin1(shot.name) + QLatin1Char('-') +
                             theme + QStringLiteral(".png");
        const bool saved = host.grab().save(path);
        std::printf("%s %s\n", saved ? "wrote" : "FAILED", qPrintable(path));
        ok &= saved;
    }
    return ok;
}
