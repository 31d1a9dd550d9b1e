#include "app/Commands.h"

#include <QCoreApplication>

namespace Commands {

QList<Menu> menus(const Actions& actions) {
    auto tr = [](const char* text) { return QCoreApplication::translate("Commands", text); };
    return {
        {tr("File"),
         {
             {tr("Settings…"), QKeySequence(Qt::CTRL | Qt::Key_Comma), actions.settings},
             {QString(), {}, {}},
             {tr("Quit Quenlark"), QKeySequence(Qt::CTRL | Qt::Key_Q), actions.quit},
         }},
        {tr("Apps"),
         {
             {tr("Check Again"), QKeySequence(Qt::CTRL | Qt::Key_R), actions.checkAgain},
             {tr("Update All"), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_U), actions.updateAll},
         }},
        {tr("Help"),
         {
             {tr("Take the Tour"), {}, actions.tour},
             {tr("Show Welcome Again"), {}, actions.welcome},
             {tr("Review / Report…"), {}, actions.feedback},
         }},
    };
}

} // namespace Commands
