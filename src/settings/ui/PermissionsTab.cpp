#include "settings/ui/PermissionsTab.h"

#include "model/Prefs.h"
#include "platform/gui/Fonts.h"
#include "platform/gui/Palette.h"
#include "runtime/Observation.h"
#include "settings/SettingsModel.h"
#include "settings/SettingsRows.h"
#include "settings/ui/SettingsSection.h"
#include "settings/ui/ToneColour.h"
#include "store/Store.h"
#include "views/kit/PlainLabel.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

// A state label and an "Open…" button side by side.
QWidget* stateRow(QWidget* parent, PlainLabel*& label, QPushButton*& open) {
    auto* row = new QWidget(parent);
    auto* across = new QHBoxLayout(row);
    across->setContentsMargins(0, 0, 0, 0);
    label = new PlainLabel(QString(), Fonts::body(), Palette::Tint::secondary, false, row);
    // The state and its button together on the trailing side, so both rows' states line up.
    across->addStretch(1);
    across->addWidget(label);
    across->addSpacing(8);
    open = new QPushButton(PermissionsTab::tr("Open…"), row);
    across->addWidget(open);
    return row;
}

void showState(PlainLabel* label, const SettingsRows::Label& state) {
    label->setText(state.text);
    label->setColor(toneColour(state.tone));
}

} // namespace

PermissionsTab::PermissionsTab(SettingsModel& model, QWidget* parent) : QWidget(parent), model_(model) {
    auto* page = new QVBoxLayout(this);
    page->setContentsMargins(20, 20, 20, 20);
    page->setSpacing(16);

    QPushButton* open = nullptr;
    auto* first = new SettingsSection(QString(), this);
    first->addRow(tr("App Management"), stateRow(first, appManagement_, open));
    connect(open, &QPushButton::clicked, this, [this] { model_.openAppManagement(); });
    first->setFooter(tr("Needed to update or remove apps made by other developers."));
    page->addWidget(first);

    notificationSection_ = new SettingsSection(QString(), this);
    notificationSection_->addRow(tr("Notifications"), stateRow(notificationSection_, notifications_, open));
    connect(open, &QPushButton::clicked, this, [this] { model_.openNotifications(); });
    page->addWidget(notificationSection_);

    openError_ = new PlainLabel(QString(), Fonts::caption(), Palette::Tint::orange, true, this);
    page->addWidget(openError_);
    page->addStretch(1);
    new Observer(this, [this] { refresh(); }, {});
}

void PermissionsTab::refresh() {
    const Store& store = model_.store();
    const NotchMode mode = model_.prefs().notchMode();
    showState(appManagement_, SettingsRows::appManagement(store.appManagement()));
    showState(notifications_, SettingsRows::notifications(store.notifications(), mode));
    notificationSection_->setFooter(SettingsRows::notificationsFooter(mode));
    const auto& error = model_.openError();
    openError_->setText(error.value_or(QString()));
    openError_->setVisible(error.has_value());
}
