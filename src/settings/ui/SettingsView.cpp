#include "settings/ui/SettingsView.h"

#include "platform/gui/Symbols.h"
#include "runtime/Observation.h"
#include "settings/SettingsChoices.h"
#include "settings/SettingsModel.h"
#include "settings/ui/AccountTab.h"
#include "settings/ui/AppsTab.h"
#include "settings/ui/GeneralTab.h"
#include "settings/ui/PermissionsTab.h"
#include "settings/ui/UpdatesTab.h"
#include "views/kit/OnAppearance.h"

#include <QEvent>
#include <QSignalBlocker>
#include <QTabBar>
#include <QTabWidget>
#include <QVBoxLayout>

SettingsView::SettingsView(std::unique_ptr<SettingsModel> model, QWidget* parent)
    : QWidget(parent), model_(std::move(model)) {
    setWindowTitle(tr("Settings"));
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    tabs_ = new QTabWidget(this);
    tabs_->setDocumentMode(true);
    tabs_->tabBar()->setExpanding(false);
    for (const auto& tab : SettingsChoices::tabs()) {
        QWidget* page = nullptr;
        if (tab.tag == QLatin1String("general"))
            page = new GeneralTab(*model_, tabs_);
        else if (tab.tag == QLatin1String("updates"))
            page = new UpdatesTab(*model_, tabs_);
        else if (tab.tag == QLatin1String("account"))
            page = new AccountTab(*model_, tabs_);
        else if (tab.tag == QLatin1String("apps"))
            page = new AppsTab(*model_, tabs_);
        else
            page = new PermissionsTab(*model_, tabs_);
        tabs_->addTab(page, tab.label);
    }
    connect(tabs_, &QTabWidget::currentChanged, this,
            [this](int index) { model_->setTab(SettingsChoices::tabs().value(index).tag); });
    column->addWidget(tabs_);
    OnAppearance::follow(tabs_, [this] { drawSymbols(); });
    new Observer(this, [this] { refresh(); }, {});
}

SettingsView::~SettingsView() = default;

void SettingsView::refresh() {
    const QString& tag = model_->tab();
    qsizetype index = 0;
    const auto& all = SettingsChoices::tabs();
    while (index < all.size() && all[index].tag != tag)
        ++index;
    {
        const QSignalBlocker block(tabs_);
        if (index < all.size())
            tabs_->setCurrentIndex(int(index));
    }
    setFixedSize(model_->size());
}

void SettingsView::drawSymbols() {
    const auto& all = SettingsChoices::tabs();
    for (qsizetype i = 0; i < all.size(); ++i)
        tabs_->setTabIcon(int(i), Symbols::icon(all[i].symbol));
}

void SettingsView::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    model_->shown(true);
}

void SettingsView::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    model_->shown(false);
}
