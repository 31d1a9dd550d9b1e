#include "app/StatusItem.h"

#include "app/MenuIcon.h"
#include "model/Prefs.h"
#include "runtime/Observation.h"
#include "runtime/Spawn.h"
#include "store/NotchHooks.h"
#include "store/Store.h"

#include <QCoreApplication>

namespace {

QString updates(int count) {
    return QString::number(count) + (count == 1 ? QStringLiteral(" update") : QStringLiteral(" updates"));
}

// Tray hosts ask for the sizes they draw at; every one of these is a square.
QIcon trayIcon(int count, const QIcon& appIcon) {
    QIcon icon;
    for (const int side : {16, 22, 24, 32, 48, 64})
        icon.addPixmap(QPixmap::fromImage(MenuIcon::square(count, appIcon, side)));
    return icon;
}

} // namespace

StatusItem::StatusItem(Environment environment) : e_(std::move(environment)) {}

StatusItem::~StatusItem() = default;

QString StatusItem::toolTip(int count) {
    return count == 0 ? QStringLiteral("Quenlark") : QStringLiteral("Quenlark: ") + updates(count);
}

QString StatusItem::accessibleName(int count) { return QStringLiteral("Quenlark, ") + updates(count); }

int StatusItem::updateCount() const {
    int count = 0;
    for (const auto& row : e_.store->visible()) {
        if (row->status().kind() == Status::Kind::update)
            ++count;
    }
    return count;
}

void StatusItem::start() {
    bool show = false;
    int count = 0;
    track(
        [&] {
            show = e_.prefs->showMenuBar();
            count = updateCount();
        },
        [this] { start(); }, this);
    sync(show, count);
}

void StatusItem::sync(bool show, int count) {
    if (!show) {
        tray_.reset();
        shownCount_ = -1;
        return;
    }
    if (!tray_) {
        const auto& defaults = e_.prefs->d();
        if (!defaults->object(positionKey).isValid())
            defaults->set(positionKey, 0);
        tray_ = e_.makeTray();
        connect(tray_.get(), &Tray::clicked, this, guarded([this] { clicked(); }, "status item click"));
        tray_->setMenu([this] { return menu(); });
        if (e_.installHooks)
            e_.installHooks();
    }
    if (count == shownCount_)
        return;
    shownCount_ = count;
    tray_->setIcon(trayIcon(count, e_.appIcon));
    tray_->setAccessibleName(accessibleName(count));
    tray_->setToolTip(toolTip(count));
}

void StatusItem::clicked() {
    NotchHooks& notch = *e_.notch;
    if (auto island = notch.detach()) {
        notch.fold(std::move(*island));
        return;
    }
    if (updateCount() == 0)
        notch.dropWindow();
    else
        notch.show(false, false);
}

QList<Tray::Entry> StatusItem::menu() {
    auto tr = [](const char* text) { return QCoreApplication::translate("StatusItem", text); };
    Store* store = e_.store;
    return {
        {tr("Open Quenlark"), {}, [this] { e_.notch->dropWindow(); }},
        {tr("Check Now"), {}, [store] { spawn(store->refresh(), "check from the status item"); }},
        {tr("Settings…"),
         {},
         [store] {
             if (store->openSettingsWindow)
                 store->openSettingsWindow();
         }},
        Tray::Entry::separator(),
        {tr("Quit Quenlark"), QKeySequence(Qt::CTRL | Qt::Key_Q),
         [this] {
             if (e_.quit)
                 e_.quit();
         }},
    };
}
