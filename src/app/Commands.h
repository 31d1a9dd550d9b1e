#pragma once

#include <QKeySequence>
#include <QList>
#include <QString>

#include <functional>

// The menu bar's commands: File with the settings and quitting (which the platform would add
// by itself), the "Apps" menu and the Help items. Buttons are never disabled.
namespace Commands {

struct Item {
    QString title; // "" for a separator
    QKeySequence shortcut;
    std::function<void()> action;
};

struct Menu {
    QString title;
    QList<Item> items;
};

struct Actions {
    std::function<void()> settings;
    std::function<void()> quit;
    std::function<void()> checkAgain;
    std::function<void()> updateAll;
    std::function<void()> tour;
    std::function<void()> welcome;
    std::function<void()> feedback;
};

QList<Menu> menus(const Actions& actions);

} // namespace Commands
