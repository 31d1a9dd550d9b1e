#include "settings/ui/UpdatesTab.h"

#include "model/Prefs.h"
#include "runtime/Observation.h"
#include "settings/SettingsChoices.h"
#include "settings/SettingsModel.h"
#include "settings/ui/SettingsSection.h"
#include "views/kit/SwitchRow.h"

#include <QComboBox>
#include <QFormLayout>
#include <QVBoxLayout>

UpdatesTab::UpdatesTab(SettingsModel& model, QWidget* parent) : QWidget(parent), model_(model) {
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(20, 20, 20, 20);
    column->setSpacing(16);

    first_ = new SettingsSection(QString(), this);
    interval_ = new QComboBox(first_);
    for (const auto& entry : SettingsChoices::intervals())
        interval_->addItem(entry.label, entry.hours);
    // activated: only a person's choice; choosing the entry already shown changes nothing.
    connect(interval_, &QComboBox::activated, this,
            [this](int index) { model_.setIntervalHours(interval_->itemData(index).toLongLong()); });
    first_->addRow(tr("Check for updates"), interval_);
    notch_ = new QComboBox(first_);
    for (const NotchMode mode : NotchModes::all())
        notch_->addItem(SettingsChoices::label(mode), int(mode));
    connect(notch_, &QComboBox::activated, this,
            [this](int index) { model_.setNotchMode(NotchModes::all().value(index)); });
    first_->addRow(tr("Show updates from the notch"), notch_);
    column->addWidget(first_);

    quiet_ = new SettingsSection(QString(), this);
    quietHours_ = new SwitchRow(tr("Quiet hours"), quiet_);
    connect(quietHours_, &QAbstractButton::clicked, this, [this](bool on) { model_.setQuietHours(on); });
    quiet_->addRow(quietHours_);
    from_ = hourPicker(quiet_);
    connect(from_, &QComboBox::activated, this, [this](int hour) { model_.setQuietFrom(hour); });
    quiet_->addRow(tr("From"), from_);
    until_ = hourPicker(quiet_);
    connect(until_, &QComboBox::activated, this, [this](int hour) { model_.setQuietTo(hour); });
    quiet_->addRow(tr("Until"), until_);
    column->addWidget(quiet_);
    column->addStretch(1);

    new Observer(this, [this] { refresh(); }, {});
}

QComboBox* UpdatesTab::hourPicker(QWidget* parent) {
    auto* picker = new QComboBox(parent);
    for (int hour = 0; hour < 24; ++hour)
        picker->addItem(SettingsChoices::hour(hour), hour);
    return picker;
}

void UpdatesTab::refresh() {
    const Prefs& prefs = model_.prefs();
    interval_->setCurrentIndex(SettingsChoices::intervalIndex(prefs.intervalHours()));
    const NotchMode mode = prefs.notchMode();
    notch_->setCurrentIndex(int(NotchModes::all().indexOf(mode)));
    first_->setFooter(SettingsChoices::notchFooter(mode));
    quiet_->setVisible(SettingsChoices::showsQuietHours(mode));
    const bool quiet = prefs.quietHours();
    quietHours_->setChecked(quiet);
    from_->setCurrentIndex(int(prefs.quietFrom()));
    until_->setCurrentIndex(int(prefs.quietTo()));
    quiet_->form()->setRowVisible(from_, quiet);
    quiet_->form()->setRowVisible(until_, quiet);
}
