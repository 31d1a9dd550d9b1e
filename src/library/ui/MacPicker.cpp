#include "library/ui/MacPicker.h"

#include "library/LibraryScreenModel.h"
#include "platform/gui/ActionText.h"
#include "platform/gui/Palette.h"
#include "platform/gui/Symbols.h"
#include "runtime/Clock.h"

#include <QMenu>

using namespace Qt::Literals::StringLiterals;

MacPicker::MacPicker(Clock& clock, Choose choose, QWidget* parent)
    : QToolButton(parent), clock_(clock), choose_(std::move(choose)) {
    const Palette& palette = Palette::current();
    setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    setIcon(Symbols::icon(u"laptopcomputer"_s, palette.text()));
    setPopupMode(QToolButton::InstantPopup);
    setCursor(Qt::PointingHandCursor);
    setStyleSheet(QStringLiteral("QToolButton { background: %1; color: %2; border: none; border-radius: 6px;"
                                 " padding: 4px 8px; }")
                      .arg(palette.primary(0.08).name(QColor::HexArgb), palette.text().name(QColor::HexArgb)));
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
