#include "settings/ui/AppsTab.h"

#include "model/Prefs.h"
#include "platform/gui/Fonts.h"
#include "platform/gui/Palette.h"
#include "runtime/Observation.h"
#include "settings/SettingsModel.h"
#include "settings/SettingsRows.h"
#include "settings/ui/SettingsSection.h"
#include "store/Store.h"
#include "views/kit/PlainLabel.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

#include <algorithm>

AppsTab::AppsTab(SettingsModel& model, QWidget* parent) : QWidget(parent), model_(model) {
    auto* page = new QVBoxLayout(this);
    page->setContentsMargins(20, 20, 20, 20);
    auto* section = new SettingsSection(tr("Ignored"), this);
    hint_ = new PlainLabel(tr("Nothing ignored. Right-click an app to ignore it or skip one version."), Fonts::body(),
                           Palette::Tint::secondary, true, section);
    section->addRow(hint_);
    rows_ = new QWidget(section);
    list_ = new QVBoxLayout(rows_);
    list_->setContentsMargins(0, 0, 0, 0);
    list_->setSpacing(10);
    auto* scroll = new QScrollArea(section);
    scroll->setWidget(rows_);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->viewport()->setAutoFillBackground(false);
    rows_->setAutoFillBackground(false);
    scroll_ = scroll;
    section->addRow(scroll);
    page->addWidget(section);
    page->addStretch(1);
    new Observer(this, [this] { refresh(); }, {});
}

void AppsTab::refresh() {
    const Prefs& prefs = model_.prefs();
    const auto rows = SettingsRows::ignored(prefs.ignoredApps(), prefs.ignoredVersions(), model_.store().items());
    hint_->setVisible(rows.isEmpty());
    scroll_->setVisible(!rows.isEmpty());
    while (QLayoutItem* item = list_->takeAt(0)) {
        delete item->widget();
        delete item;
    }
    int height = 0;
    for (const auto& row : rows) {
        auto* line = new QWidget(rows_);
        auto* across = new QHBoxLayout(line);
        across->setContentsMargins(0, 0, 0, 0);
        auto* texts = new QVBoxLayout;
        texts->setSpacing(1);
        texts->addWidget(new PlainLabel(row.title, Fonts::body(), Palette::Tint::primary, false, line));
        texts->addWidget(new PlainLabel(row.detail, Fonts::caption(), Palette::Tint::secondary, false, line));
        across->addLayout(texts);
        across->addStretch(1);
        auto* remove = new QPushButton(tr("Remove"), line);
        const QString id = row.bundleID;
        connect(remove, &QPushButton::clicked, this, [this, id] { model_.unignore(id); });
        across->addWidget(remove, 0, Qt::AlignVCenter);
        list_->addWidget(line);
        // Summed here: the new rows are shown only after this returns, so the layout skips them.
        height += line->sizeHint().height() + (height > 0 ? list_->spacing() : 0);
    }
    list_->addStretch(1);
    // As high as its rows, up to the height that leaves the tab its margins; beyond, it scrolls.
    scroll_->setFixedHeight(std::min(height, 300));
}
