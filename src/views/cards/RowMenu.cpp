#include "views/cards/RowMenu.h"

#include "platform/gui/ActionText.h"
#include "views/cards/RowMenuModel.h"

#include <QMenu>

namespace RowMenu {

QMenu* make(const RowFacts& row, std::function<void(const RowAction&)> run, QWidget* parent) {
    auto* menu = new QMenu(parent);
    for (const auto& entry : RowMenuModel::entries(row)) {
        if (entry.isDivider()) {
            menu->addSeparator();
            continue;
        }
        QAction* item = menu->addAction(ActionText::plain(entry.title));
        item->setEnabled(entry.enabled);
        const RowAction action = entry.action;
        QObject::connect(item, &QAction::triggered, menu, [run, action] { run(action); });
    }
    return menu;
}

} // namespace RowMenu
