#include "onboarding/ui/HeroPage.h"

#include "model/Scanner.h"
#include "onboarding/WelcomePage.h"
#include "onboarding/ui/IconWall.h"
#include "onboarding/ui/PageText.h"
#include "runtime/Spawn.h"
#include "store/Store.h"
#include "views/kit/IconCache.h"

#include <QPointer>
#include <QVBoxLayout>

namespace {

constexpr int wallIcons = 40;

// The store's apps in list order, or, before its first scan, a scan of its folders; the first
// 40 bundles' icons go on the wall.
QCoro::Task<void> gather(QPointer<IconWall> wall, QStringList listed, QStringList folders) {
    if (listed.isEmpty()) {
        auto scanning = Scanner::scanInBackground(folders);
        for (const InstalledApp& app : co_await std::move(scanning))
            listed << app.url;
    }
    QList<QPixmap> icons;
    for (const QString& bundle : listed.mid(0, wallIcons)) {
        auto loading = IconCache::icon(bundle);
        icons << co_await std::move(loading);
    }
    if (wall)
        wall->setIcons(icons);
}

} // namespace

HeroPage::HeroPage(Store& store, QWidget* parent) : QWidget(parent) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 20, 0, 0);
    layout->setSpacing(0);
    wall_ = new IconWall(this);
    layout->addWidget(wall_);
    const WelcomePage::Text text = WelcomePage::text(WelcomePage::Page::hero);
    auto* words = new PageText(text.title, text.subtitle, this);
    layout->addSpacing(4);
    layout->addWidget(words);
    layout->addStretch(1);
    QStringList listed;
    for (const auto& item : store.items())
        listed << item->app().url;
    spawn(gather(wall_, listed, store.folders()), "welcome icons");
}
