#include "library/ui/MacPicker.h"

#include "library/LibraryScreenModel.h"
#include "platform/gui/ActionText.h"
#include "platform/gui/Palette.h"
#include "platform/gui/Symbols.h"
#include "runtime/Clock.h"
#include "views/kit/ButtonStyle.h"
#include "views/kit/OnAppearance.h"

#include <QMenu>

using namespace Qt::Literals::StringLiterals;

MacPicker::MacPicker(Clock& clock, Choose choose, QWidget* parent)
    : QToolButton(parent), clock_(clock), choose_(std::move(choose)) {
    setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    OnAppearance::follow(this, [this] { setIcon(Symbols::icon(u"laptopcomputer"_s, Palette::current().text())); });
    setPopupMode(QToolButton::InstantPopup);
    setCursor(Qt::PointingHandCursor);
    OnAppearance::styleSheet(this, ButtonStyle::menu);
    auto* menu = new QMenu(this);
    connect(menu, &QMenu::aboutToShow, this, [this, menu] {
        menu->clear();
        fill(*menu);
    });
    setMenu(menu);
}

void MacPicker::show(QList<Device> devices, QString here, const QString& title) {
    devices_ = std::move(devices);
    here_ = std::move(here);
    if (text() != title) {
        setText(title);
        setAccessibleName(title);
    }
}

void MacPicker::fill(QMenu& menu) const {
    menu.addAction(tr("Any Mac"), this, [this] { choose_(std::nullopt); });
    menu.addSeparator();
    for (const auto& choice : LibraryScreenModel::pickerChoices(devices_, here_, clock_.now())) {
        const QString id = choice.id;
        menu.addAction(ActionText::plain(choice.title), this, [this, id] { choose_(id); });
    }
}
