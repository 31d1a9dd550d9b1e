#include "settings/ui/GeneralTab.h"

#include "account/SiteLinks.h"
#include "model/Prefs.h"
#include "platform/gui/Fonts.h"
#include "platform/gui/Palette.h"
#include "runtime/Observation.h"
#include "runtime/Spawn.h"
#include "settings/SettingsChoices.h"
#include "settings/SettingsModel.h"
#include "settings/ui/SettingsSection.h"
#include "views/kit/PlainLabel.h"
#include "views/kit/SegmentedControl.h"
#include "views/kit/SwitchRow.h"

#include <QFormLayout>
#include <QPushButton>
#include <QVBoxLayout>

GeneralTab::GeneralTab(SettingsModel& model, QWidget* parent) : QWidget(parent), model_(model) {
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(20, 20, 20, 20);
    column->setSpacing(16);

    auto* first = new SettingsSection(QString(), this);
    QStringList themeNames;
    for (const Theme theme : Themes::all())
        themeNames.append(SettingsChoices::label(theme));
    themes_ = new SegmentedControl(themeNames, tr("Appearance"), first);
    // activated: only a person's choice, never the refresh below.
    connect(themes_, &SegmentedControl::activated, this,
            [this](int index) { model_.setTheme(Themes::all().value(index)); });
    first->addRow(tr("Appearance"), themes_);

    login_ = new SwitchRow(tr("Open at login"), first);
    connect(login_, &QAbstractButton::clicked, this, [this](bool on) { model_.setOpenAtLogin(on); });
    first->addRow(login_);
    menuBar_ = new SwitchRow(tr("Show in menu bar"), first);
    connect(menuBar_, &QAbstractButton::clicked, this, [this](bool on) { model_.setShowMenuBar(on); });
    first->addRow(menuBar_);
    hideAppStore_ = new SwitchRow(tr("Hide Mac App Store apps"), first);
    connect(hideAppStore_, &QAbstractButton::clicked, this, [this](bool on) { model_.setHideAppStore(on); });
    first->addRow(hideAppStore_);
    column->addWidget(first);

    auto* second = new SettingsSection(QString(), this);
    auto* welcome = new QPushButton(tr("Show Welcome Again"), second);
    connect(welcome, &QPushButton::clicked, this, [this] { model_.showWelcome(); });
    second->addRow(welcome);
    auto* tour = new QPushButton(tr("Take the Tour"), second);
    connect(tour, &QPushButton::clicked, this, [this] { spawn(model_.takeTour(), "Take the Tour"); });
    second->addRow(tour);
    auto* feedback = new QPushButton(tr("Review / Report…"), second);
    feedback->setToolTip(
        tr("Opens %1, the place to leave a review or report a problem.").arg(SiteLinks::feedback().toDisplayString()));
    connect(feedback, &QPushButton::clicked, this, [this] { spawn(model_.openFeedback(), "Review / Report"); });
    second->addRow(feedback);
    for (auto* button : {welcome, tour, feedback})
        second->form()->setAlignment(button, Qt::AlignLeft);
    column->addWidget(second);
    feedbackError_ = new PlainLabel(QString(), Fonts::caption(), Palette::Tint::orange, true, this);
    column->addWidget(feedbackError_);
    column->addStretch(1);

    new Observer(this, [this] { refresh(); }, {});
}

void GeneralTab::refresh() {
    const Prefs& prefs = model_.prefs();
    themes_->setCurrent(int(Themes::all().indexOf(prefs.theme())));
    login_->setChecked(model_.openAtLogin());
    menuBar_->setChecked(prefs.showMenuBar());
    hideAppStore_->setChecked(prefs.hideAppStore());
    const auto& error = model_.feedbackError();
    feedbackError_->setText(error.value_or(QString()));
    feedbackError_->setVisible(error.has_value());
}
