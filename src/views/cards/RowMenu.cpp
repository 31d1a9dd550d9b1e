#include "views/cards/RowMenu.h"

#include "views/cards/RowMenuModel.h"
#include "views/kit/Shown.h"

#include <QMenu>

namespace RowMenu {

QMenu* make(const RowFacts& row, std::function<void(const RowAction&)> run, QWidget* parent) {
    auto* menu = new QMenu(parent);
    for (const auto& entry : RowMenuModel::entries(row)) {
        if (entry.isDivider()) {
            menu->addSeparator();
            continue;
        }
        QAction* item = menu->addAction(Shown::menuTitle(entry.title));
        item->setEnabled(entry.enabled);
        const RowAction action = entry.action;
        QObject::connect(item, &QAction::triggered, menu, [run, action] { run(action); });
    }
    return menu;
}

} // namespace RowMenu
