#include "library/ui/AccountMenu.h"

#include "library/AccountMenuModel.h"
#include "model/ThisMac.h"
#include "platform/gui/ActionText.h"
#include "platform/gui/Palette.h"
#include "platform/gui/Symbols.h"
#include "runtime/Clock.h"
#include "runtime/Spawn.h"
#include "store/Store.h"
#include "views/kit/ButtonStyle.h"
#include "views/kit/CheckingRing.h"
#include "views/kit/OnAppearance.h"

#include <QMenu>

using namespace Qt::Literals::StringLiterals;

AccountMenu::AccountMenu(Store& store, Clock& clock, QWidget* parent)
    : QToolButton(parent), store_(store), clock_(clock) {
    setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    setPopupMode(QToolButton::InstantPopup);
    setCursor(Qt::PointingHandCursor);
    setToolTip(AccountMenuModel::tooltip());
    setIconSize(QSize(16, 16));
    OnAppearance::styleSheet(this, ButtonStyle::menu);
    ring_ = new CheckingRing(this);
    ring_->hide();
    auto* menu = new QMenu(this);
    connect(menu, &QMenu::aboutToShow, this, [this, menu] {
        menu->clear();
        fill(*menu);
    });
    setMenu(menu);
    OnAppearance::follow(this, [this] { refresh(); });
}

void AccountMenu::refresh() {
    const QString title = AccountMenuModel::label(store_.session());
    if (text() != title) {
        setText(title);
        setAccessibleName(title);
    }
    const bool syncing = store_.syncing();
    // The spinner takes the symbol's place; a transparent icon keeps the text where it was.
    if (syncing) {
        QPixmap blank(iconSize());
        blank.fill(Qt::transparent);
        setIcon(QIcon(blank));
    } else {
        setIcon(Symbols::icon(u"person.crop.circle.fill"_s, Palette::current().accent()));
    }
    ring_->setVisible(syncing);
}

bool AccountMenu::spinning() const { return ring_->isVisibleTo(this); }

void AccountMenu::fill(QMenu& menu) {
    const auto entries =
        AccountMenuModel::entries(store_.session(), store_.devices(), store_.deviceID(), ThisMac::name(), clock_.now());
    for (const auto& entry : entries) {
        using Kind = AccountMenuModel::Entry::Kind;
        switch (entry.kind) {
        case Kind::text:
            menu.addAction(ActionText::plain(entry.title))->setEnabled(false);
            break;
        case Kind::divider:
            menu.addSeparator();
            break;
        case Kind::syncNow:
            menu.addAction(entry.title, this, [this] { spawn(store_.syncLibrary(), "Sync Now"); });
            break;
        case Kind::signOut:
            menu.addAction(entry.title, this, [this] { store_.signOut(); });
            break;
        }
    }
}

void AccountMenu::resizeEvent(QResizeEvent* event) {
    QToolButton::resizeEvent(event);
    const QSize ring = ring_->sizeHint();
    ring_->setGeometry(8, (height() - ring.height()) / 2, ring.width(), ring.height());
}
