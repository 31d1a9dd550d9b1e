#include "DashboardRows.h"
#include "FakeSetup.h"
#include "FrameTurn.h"
#include "QuietIsland.h"
#include "SampleSession.h"

#include "model/Motion.h"
#include "model/Prefs.h"
#include "notch/IslandModel.h"
#include "notch/ui/IslandView.h"
#include "onboarding/SetupModel.h"
#include "onboarding/Tour.h"
#include "onboarding/ui/SetupWindow.h"
#include "platform/gui/Palette.h"
#include "runtime/MakeShared.h"
#include "views/MainView.h"
#include "views/cards/AppCard.h"
#include "views/cards/RowCommands.h"
#include "views/kit/ElidedLabel.h"
#include "views/kit/FittedLabel.h"
#include "views/kit/NumericLabel.h"
#include "views/uninstall/UninstallPrompt.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpression>

#include <algorithm>
#include <functional>
#include <optional>

using namespace Qt::Literals::StringLiterals;

namespace {

void appear(bool dark) {
    Palette::setDark(dark);
    QApplication::setPalette(Palette::current().qtPalette());
}

// The lightness of the colour `widget` draws its text in: drawn alone on a transparent image,
// the mean colour of its most opaque pixels (the edges of the glyphs are blended). Nothing
// drawn: nullopt.
std::optional<int> inkLightness(QWidget* widget) {
    QImage image(widget->size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    widget->render(&image, {}, {}, QWidget::RenderFlags());
    int most = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            most = std::max(most, qAlpha(image.pixel(x, y)));
    if (most == 0)
        return std::nullopt;
    double sum = 0;
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (const QRgb pixel = image.pixel(x, y); qAlpha(pixel) * 2 >= most) {
                sum += QColor(qUnpremultiply(pixel)).lightness();
                ++count;
            }
    return int(sum / count);
}

bool isText(QWidget* widget) {
    if (auto* label = qobject_cast<QLabel*>(widget))
        return !label->text().isEmpty();
    if (auto* fitted = qobject_cast<FittedLabel*>(widget))
        return !fitted->text().isEmpty();
    if (auto* numeric = qobject_cast<NumericLabel*>(widget))
        return !numeric->text().isEmpty();
    if (auto* elided = qobject_cast<ElidedLabel*>(widget))
        return !elided->text().isEmpty();
    return false;
}

QString describe(QWidget* widget) {
    QString text;
    if (auto* label = qobject_cast<QLabel*>(widget))
        text = label->text();
    else if (auto* fitted = qobject_cast<FittedLabel*>(widget))
        text = fitted->text();
    else if (auto* numeric = qobject_cast<NumericLabel*>(widget))
        text = numeric->text();
    else if (auto* elided = qobject_cast<ElidedLabel*>(widget))
        text = elided->text();
    return QString::fromLatin1(widget->metaObject()->className()) + u" \""_s + text.left(40) + u'"';
}

std::shared_ptr<IslandModel> islandOf(const Store::Rows& rows) {
    QStringList ids;
    for (const auto& row : rows)
        ids.append(row->id());
    auto state = makeShared<IslandState>(ids, QSizeF(), false, QDateTime::currentDateTimeUtc());
    state->setExpanded(true);
    return quietIsland(state, rows);
}

// Everything one window needs, made in the dark appearance.
struct Scene {
    StoreHarness h;
    Store* store = nullptr;
    std::unique_ptr<MainView> main;
    std::unique_ptr<FakeSetup> fakeSetup;
    std::unique_ptr<Setup> setup;
    std::unique_ptr<SetupWindow> setupWindow;
    std::unique_ptr<IslandView> island;

    // The dashboard with every part that has text: rows, an open card, the permission banner,
    // the account card, a notice.
    QWidget* dashboard() {
        h.cloud = CloudConfig::emulator(u"k"_s, u"demo-p"_s, u"127.0.0.1:1"_s);
        store = &h.build();
        h.prefs->setOnboarded(true);
        store->setItems(makeRows({{u"Alpha"_s, Status::update()},
                                  {u"Beta"_s, Status::update(), InstallPhase::blocked(), true},
                                  {u"Gamma"_s}}));
        main = std::make_unique<MainView>(*store, *h.prefs, h.clock);
        main->resize(1120, 780);
        main->show();
        frameTurn();
        store->setNotice(u"Moved Gamma to the Trash."_s);
        // One card open, for its detail pane's texts.
        main->findChildren<AppCard*>().front()->setExpanded(true);
        frameTurn();
        return main.get();
    }
    QWidget* uninstall() {
        dashboard();
        RowCommands::perform(*store, store->items()[2], {RowAction::Kind::remove, {}});
        frameTurn();
        main->uninstallLayer()->prompt()->showFound(
            {Leftover{u"/home/u/.cache/gamma"_s, 10, false}, Leftover{u"/home/u/.config/shared"_s, 20, true}});
        frameTurn();
        return main.get();
    }
    QWidget* library() {
        const QDateTime now = h.clock.now();
        h.deviceID = u"dhere"_s;
        h.cloud = CloudConfig{u"key"_s, u"demo-test"_s, {}, u"http://127.0.0.1:9"_s, u"http://127.0.0.1:9"_s, true};
        h.libraryDevices = {{u"dhere"_s, u"Studio"_s, u"A"_s, now, {}}, {u"m2"_s, u"Book"_s, u"B"_s, now, {}}};
        LibraryApp away;
        away.id = u"com.example.away"_s;
        away.name = u"Away"_s;
        away.devices = {{u"m2"_s, LibraryApp::OnDevice{u"1"_s, true, now}}};
        h.libraryApps = {away};
        store = &h.build();
        h.prefs->setOnboarded(true);
        store->setSession(sampleSession(u"google.com"_s, true));
        store->setFilter(Filter::library);
        main = std::make_unique<MainView>(*store, *h.prefs, h.clock);
        main->resize(1120, 780);
        main->show();
        frameTurn();
        frameTurn();
        return main.get();
    }
    QWidget* tour() {
        dashboard();
        Tour::start(*store);
        frameTurn();
        return main.get();
    }
    QWidget* setupSteps() {
        fakeSetup = std::make_unique<FakeSetup>(u"appearance"_s);
        setup = std::make_unique<Setup>(fakeSetup->make(u"/home/ann/Downloads/Quenlark.app"_s));
        setupWindow = std::make_unique<SetupWindow>(*setup, [] { return std::function<void()>([] {}); });
        setupWindow->show(SetupStep::login);
        frameTurn();
        return setupWindow->window();
    }
    QWidget* notch() {
        store = &h.build();
        island = std::make_unique<IslandView>(
            islandOf(makeRows({{u"Alpha"_s, Status::update()}, {u"Beta"_s, Status::update()}})), nullptr, 12);
        island->resize(620, 560);
        island->show();
        frameTurn();
        return island.get();
    }
};

} // namespace

// Choosing the light appearance while the windows are open, from the dark one: every text in
// each of them takes the light appearance's colours (none keeps the near-white it was made
// with, which would vanish on the light background), but for the island, which stays dark.
TEST(Appearance, AChangeWhileOpenRecoloursEveryTextOfEveryWindow) {
    Motion::setInstantForTests(true);
    const bool wasDark = Palette::current().isDark();
    struct Window {
        const char* what;
        std::function<QWidget*(Scene&)> build;
        bool staysDark;
        int texts; // at least
    };
    const Window windows[] = {
        {"the dashboard", &Scene::dashboard, false, 6},     {"the uninstall prompt", &Scene::uninstall, false, 14},
        {"the library screen", &Scene::library, false, 4},  {"the tour", &Scene::tour, false, 6},
        {"the setup window", &Scene::setupSteps, false, 6}, {"the island", &Scene::notch, true, 4},
    };
    const QRegularExpression darkSheet(u"#[0-9a-f]{2}ffffff|%1|%2"_s.arg(Palette::dark().accent().name(),
                                                                         Palette::dark().hue(Palette::Hue::red).name()),
                                       QRegularExpression::CaseInsensitiveOption);
    for (const Window& w : windows) {
        appear(true);
        Scene scene;
        QWidget* window = w.build(scene);
        ASSERT_TRUE(window) << w.what;
        appear(false);
        frameTurn();
        int seen = 0;
        for (QWidget* widget : window->findChildren<QWidget*>()) {
            // A style sheet made in the dark appearance names its white text or fills.
            if (!w.staysDark) {
                EXPECT_FALSE(darkSheet.match(widget->styleSheet()).hasMatch())
                    << w.what << ": " << widget->metaObject()->className() << " " << qPrintable(widget->styleSheet());
            }
            if (!widget->isVisibleTo(window) || !isText(widget))
                continue;
            const std::optional<int> lightness = inkLightness(widget);
            if (!lightness)
                continue;
            ++seen;
            if (w.staysDark)
                EXPECT_GT(*lightness, 200) << w.what << ": " << qPrintable(describe(widget));
            else
                EXPECT_LT(*lightness, 190) << w.what << ": " << qPrintable(describe(widget));
        }
        for (auto* edit : window->findChildren<QLineEdit*>()) {
            if (!edit->isVisibleTo(window) || w.staysDark)
                continue;
            EXPECT_LT(edit->palette().color(QPalette::Text).lightness(), 190) << w.what;
            EXPECT_LT(edit->palette().color(QPalette::PlaceholderText).lightness(), 190) << w.what;
        }
        EXPECT_GE(seen, w.texts) << w.what;
    }
    appear(wasDark);
    Motion::setInstantForTests(false);
}
