// Renders the views in their main states, dark and light, to PNG files for people to look at:
// the dashboard, collapsed cards, each card opened with its detail pane, the uninstall prompt in
// its states, frames of the main window folding away, the island, the account views and the
// settings window. Usage:
// quenlark-screens <output folder>.
#include "AccountScreens.h"
#include "DashboardScreens.h"
#include "FoldScreens.h"
#include "IslandScreens.h"
#include "LibraryScreens.h"
#include "ScreenSamples.h"
#include "SettingsScreens.h"
#include "SetupScreens.h"
#include "WelcomeScreens.h"
#include "model/Launch.h"
#include "model/Motion.h"
#include "platform/gui/Palette.h"
#include "views/cards/AppCard.h"
#include "views/detail/DetailPane.h"
#include "views/detail/NotesLabel.h"
#include "views/kit/ElidedLabel.h"
#include "views/kit/TextSelection.h"
#include "views/uninstall/UninstallPrompt.h"

#include <QApplication>
#include <QDir>
#include <QPainter>
#include <QPushButton>
#include <QStyleFactory>
#include <QTemporaryDir>
#include <QVBoxLayout>

#include <clocale>
#include <cstdio>
#include <cstdlib>

namespace {
constexpr int windowWidth = 880;

// The window's own background under the views, with room for the cards' shadows.
class Backdrop : public QWidget {
public:
    Backdrop() { setAutoFillBackground(false); }

protected:
    void paintEvent(QPaintEvent*) override { QPainter(this).fillRect(rect(), Palette::current().window()); }
};

bool save(QWidget& widget, const QString& path) {
    widget.adjustSize();
    widget.resize(windowWidth, widget.heightForWidth(windowWidth) > 0 ? widget.heightForWidth(windowWidth)
                                                                      : widget.sizeHint().height());
    ScreenSamples::settle();
    const bool ok = widget.grab().save(path);
    std::printf("%s %s\n", ok ? "wrote" : "FAILED", qPrintable(path));
    return ok;
}

bool renderTheme(bool dark, const QString& out, const QString& bundles) {
    Palette::setDark(dark);
    QApplication::setPalette(Palette::current().qtPalette());
    const QString theme = dark ? QStringLiteral("dark") : QStringLiteral("light");
    const auto samples = ScreenSamples::rows(bundles);
    bool ok = true;

    {
        Backdrop list;
        auto* column = new QVBoxLayout(&list);
        column->setContentsMargins(20, 20, 20, 20);
        column->setSpacing(10);
        for (qsizetype i = 0; i < samples.size(); ++i) {
            auto* card = new AppCard(samples[i].item, nullptr, {}, &list);
            card->setSelected(i == 0);
            column->addWidget(card);
        }
        ok &= save(list, out + QStringLiteral("/cards-") + theme + QStringLiteral(".png"));
    }
    for (const auto& sample : samples) {
        Backdrop host;
        auto* column = new QVBoxLayout(&host);
        column->setContentsMargins(20, 20, 20, 20);
        auto* card = new AppCard(sample.item, nullptr, {}, &host);
        card->setSelected(true);
        card->setExpanded(true);
        column->addWidget(card);
        ok &= save(host,
                   out + QStringLiteral("/card-") + sample.name + QLatin1Char('-') + theme + QStringLiteral(".png"));
        if (sample.name != QStringLiteral("update-github"))
            continue;
        // The same pane with text selected in a value, an address and the notes.
        const auto values = card->detailPane()->findChildren<ElidedLabel*>();
        for (auto* label : values)
            if (label->selection() && (label->text().startsWith(QStringLiteral("Q7")) ||
                                       label->text().endsWith(QStringLiteral("channel=stable"))))
                label->selection()->select(0, 12);
        if (auto* notes = card->detailPane()->findChild<NotesLabel*>())
            notes->selection()->select(8, 40);
        ok &= save(host, out + QStringLiteral("/card-selected-text-") + theme + QStringLiteral(".png"));
    }

    const QString library = QDir::homePath() + QStringLiteral("/Library");
    struct Prompt {
        QString name;
        std::optional<QList<Leftover>> found;
        bool permanently;
        bool armed;
        int ticked;
    };
    const QList<Prompt> prompts{
        {QStringLiteral("searching"), std::nullopt, false, false, 0},
        {QStringLiteral("nothing-found"), QList<Leftover>{}, false, false, 0},
        {QStringLiteral("found"), ScreenSamples::leftovers(library), false, false, 0},
        {QStringLiteral("ticked"), ScreenSamples::leftovers(library), false, false, 3},
        {QStringLiteral("permanent"), ScreenSamples::leftovers(library), true, false, 2},
        {QStringLiteral("permanent-armed"), ScreenSamples::leftovers(library), true, true, 5},
    };
    for (const auto& spec : prompts) {
        Backdrop window;
        window.resize(windowWidth, 640);
        auto* prompt = new UninstallPrompt(samples.front().item->app(), library, {}, &window);
        if (spec.found)
            prompt->showFound(*spec.found);
        const auto& found = prompt->choice().found();
        for (int i = 0; i < spec.ticked && found && i < found->size(); ++i)
            prompt->setChosen((*found)[i], true);
        if (spec.permanently)
            prompt->permanentButton()->click();
        if (spec.armed)
            prompt->confirmButton()->click();
        prompt->show();
        ScreenSamples::settle();
        const QString path =
            out + QStringLiteral("/uninstall-") + spec.name + QLatin1Char('-') + theme + QStringLiteral(".png");
        const bool saved = window.grab().save(path);
        std::printf("%s %s\n", saved ? "wrote" : "FAILED", qPrintable(path));
        ok &= saved;
    }
    ok &= DashboardScreens::render(out, theme, bundles + QStringLiteral("/dashboard"));
    ok &= FoldScreens::render(theme, out, samples);
    ok &= IslandScreens::render(theme, out, bundles + QStringLiteral("/island"));
    ok &= AccountScreens::render(out, theme);
    ok &= LibraryScreens::render(out, theme);
    ok &= SettingsScreens::render(out, theme);
    ok &= SetupScreens::render(out, theme);
    // The welcome window is dark whatever the theme: drawn once.
    if (dark)
        ok &= WelcomeScreens::render(out, theme, bundles + QStringLiteral("/dashboard"));
    return ok;
}
} // namespace

int main(int argc, char** argv) {
    Launch::init(argc, argv);
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    setlocale(LC_NUMERIC, "C");
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    Motion::setInstantForTests(true);
    const QStringList args = QApplication::arguments();
    const QString out = args.size() > 1 ? args[1] : QStringLiteral("screens");
    QDir().mkpath(out);
    QTemporaryDir bundles;
    bool ok = true;
    for (const bool dark : {true, false})
        ok &= renderTheme(dark, out, bundles.path() + (dark ? QStringLiteral("/dark") : QStringLiteral("/light")));
    return ok ? 0 : 1;
}
