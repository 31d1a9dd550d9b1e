#include "IslandScreens.h"
#include "QuietIsland.h"

#include "ScreenSamples.h"
#include "model/AppItem.h"
#include "notch/IslandModel.h"
#include "notch/ui/DarkPalette.h"
#include "notch/ui/IslandView.h"
#include "runtime/Clock.h"
#include "runtime/MakeShared.h"
#include "model/Motion.h"
#include "views/kit/NumericLabel.h"

#include <QApplication>
#include <QDateTime>
#include <QPainter>
#include <QVariantAnimation>

#include <cstdio>

namespace {

// A desktop behind the island, so its translucent parts show.
class Desk : public QWidget {
protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        QLinearGradient sky(0, 0, width(), height());
        sky.setColorAt(0, QColor(70, 96, 140));
        sky.setColorAt(1, QColor(150, 120, 160));
        painter.fillRect(rect(), sky);
    }
};

Store::Rows pick(const QList<ScreenSamples::Sample>& samples, const QStringList& names) {
    Store::Rows rows;
    for (const QString& name : names)
        for (const auto& sample : samples)
            if (sample.name == name)
                rows.append(sample.item);
    return rows;
}

} // namespace

namespace IslandScreens {

bool render(const QString& theme, const QString& out, const QString& bundles) {
    const auto samples = ScreenSamples::rows(bundles);
    // The header shows the application's own icon.
    QApplication::setWindowIcon(QIcon(QStringLiteral(QUENLARK_SOURCE_DIR "/resources/bundle/AppIcon.svg")));
    struct Shot {
        QString name;
        QStringList rows;
        bool expanded = true;
        bool asking = false;
        QSizeF notch;
    };
    const QList<Shot> shots{
        {QStringLiteral("folded"), {QStringLiteral("update")}, false, false, {}},
        {QStringLiteral("one"), {QStringLiteral("update")}, true, false, {}},
        {QStringLiteral("seven"),
         {QStringLiteral("update"), QStringLiteral("update-github"), QStringLiteral("update-appstore"),
          QStringLiteral("update-electron"), QStringLiteral("update-download"), QStringLiteral("downloading"),
          QStringLiteral("failed")},
         true,
         false,
         {}},
        {QStringLiteral("finished"), {QStringLiteral("done")}, true, false, {}},
        {QStringLiteral("question"), {QStringLiteral("update"), QStringLiteral("update-github")}, true, true, {}},
        {QStringLiteral("notch-folded"), {QStringLiteral("update")}, false, false, {200, 32}},
        {QStringLiteral("notch-open"),
         {QStringLiteral("update"), QStringLiteral("installing")},
         true,
         false,
         {200, 32}},
    };
    bool ok = true;
    const auto idsOf = [](const Store::Rows& rows) {
        QStringList ids;
        for (const auto& row : rows)
            ids.append(row->id());
        return ids;
    };
    const auto save = [&](QWidget& desk, const QString& name, const QRect& area) {
        const QString path =
            out + QStringLiteral("/island-") + name + QLatin1Char('-') + theme + QStringLiteral(".png");
        const bool saved = [&] {
            const DarkPalette dark;
            return desk.grab(area).save(path);
        }();
        std::printf("%s %s\n", saved ? "wrote" : "FAILED", qPrintable(path));
        ok &= saved;
    };
    for (const Shot& shot : shots) {
        const Store::Rows rows = pick(samples, shot.rows);
        auto state = makeShared<IslandState>(idsOf(rows), shot.notch, false, Clock::shared().now());
        auto model = quietIsland(state, rows);

        Desk desk;
        desk.resize(620, 420);
        auto* view = new IslandView(model, nullptr, 12, &desk);
        view->setGeometry(desk.rect());
        desk.show();
        state->setExpanded(shot.expanded);
        state->setAskingToStop(shot.asking);
        ScreenSamples::settle();
        save(desk, shot.name, desk.rect());
    }

    // The title counting from 2 to 3 updates, stopped at three moments of its roll.
    const Store::Rows rows =
        pick(samples, {QStringLiteral("update"), QStringLiteral("update-github"), QStringLiteral("update-download")});
    auto state = makeShared<IslandState>(idsOf(rows.mid(0, 2)), QSizeF(), false, Clock::shared().now());
    Desk desk;
    desk.resize(620, 420);
    auto* view = new IslandView(quietIsland(state, rows), nullptr, 12, &desk);
    view->setGeometry(desk.rect());
    desk.show();
    state->setExpanded(true);
    ScreenSamples::settle();
    Motion::setInstantForTests(false);
    state->setIds(idsOf(rows));
    QApplication::processEvents();
    auto* title = view->findChild<NumericLabel*>();
    auto* roll = title ? title->findChild<QVariantAnimation*>() : nullptr;
    if (!roll) {
        std::printf("FAILED the island's title did not roll\n");
        ok = false;
    } else {
        roll->pause();
        const QRect header(title->mapTo(&desk, QPoint(-50, -14)), QSize(300, 60));
        for (const int percent : {10, 16, 24}) {
            roll->setCurrentTime(roll->duration() * percent / 100);
            save(desk, QStringLiteral("title-%1").arg(percent), header);
        }
        roll->stop();
    }
    Motion::setInstantForTests(true);
    return ok;
}

} // namespace IslandScreens
