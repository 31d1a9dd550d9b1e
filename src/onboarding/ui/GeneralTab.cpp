#include "onboarding/ui/GeneralTab.h"

#include "account/SiteLinks.h"
#include "model/Prefs.h"
#include "onboarding/SettingsChoices.h"
#include "onboarding/SettingsModel.h"
#include "onboarding/ui/SettingsSection.h"
#include "platform/gui/Palette.h"
#include "runtime/Observation.h"
#include "runtime/Spawn.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

GeneralTab::GeneralTab(SettingsModel& model, QWidget* parent) : QWidget(parent), model_(model) {
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(20, 20, 20, 20);
    column->setSpacing(16);

    auto* first = new SettingsSection(QString(), this);
    auto* segments = new QWidget(first);
    auto* segmentRow = new QHBoxLayout(segments);
    segmentRow->setContentsMargins(0, 0, 0, 0);
    segmentRow->setSpacing(0);
    themes_ = new QButtonGroup(this);
    themes_->setExclusive(true);
    const auto& themes = Themes::all();
    for (qsizetype i = 0; i < themes.size(); ++i) {
        auto* segment = new QPushButton(SettingsChoices::label(themes[i]), segments);
        segment->setCheckable(true);
        segmentRow->addWidget(segment);
        themes_->addButton(segment, int(i));
    }
    // idClicked: only a person's choice, never the refresh below.
    connect(themes_, &QButtonGroup::idClicked, this, [this](int id) { model_.setTheme(Themes::all().value(id)); });
    first->addRow(tr("Appearance"), segments);

    login_ = new QCheckBox(tr("Open at login"), first);
    connect(login_, &QAbstractButton::clicked, this, [this](bool on) { model_.setOpenAtLogin(on); });
    first->addRow(login_);
    menuBar_ = new QCheckBox(tr("Show in menu bar"), first);
    connect(menuBar_, &QAbstractButton::clicked, this, [this](bool on) { model_.setShowMenuBar(on); });
    first->addRow(menuBar_);
    hideAppStore_ = new QCheckBox(tr("Hide Mac App Store apps"), first);
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
    feedback->setToolTip(tr("Opens %1, the place to leave a review or report a problem.")
                             .arg(SiteLinks::feedback().toDisplayString()));
    connect(feedback, &QPushButton::clicked, this, [this] { model_.openFeedback(); });
    second->addRow(feedback);
    for (auto* button : {welcome, tour, feedback})
        second->form()->setAlignment(button, Qt::AlignLeft);
    column->addWidget(second);
    column->addStretch(1);

    new Observer(this, [this] { refresh(); }, {});
}

void GeneralTab::refresh() {
    const Prefs& prefs = model_.prefs();
    // The chosen segment in the accent colour, taken again after a change of appearance.
    const QString accent = Palette::current().accent().name();
    for (auto* segment : themes_->buttons())
        segment->setStyleSheet(QStringLiteral("QPushButton:checked { background-color: %1; color: white; "
                                              "border: 1px solid %1; border-radius: 4px; padding: 3px 8px; }")
                                   .arg(accent));
    const QSignalBlocker blockThemes(themes_);
    if (auto* segment = themes_->button(int(Themes::all().indexOf(prefs.theme()))))
        segment->setChecked(true);
    login_->setChecked(model_.openAtLogin());
    menuBar_->setChecked(prefs.showMenuBar());
    hideAppStore_->setChecked(prefs.hideAppStore());
}
