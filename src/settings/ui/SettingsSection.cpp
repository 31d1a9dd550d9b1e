#include "settings/ui/SettingsSection.h"

#include "platform/gui/Fonts.h"
#include "platform/gui/Palette.h"
#include "views/kit/PlainLabel.h"
#include "views/kit/RoundedBox.h"

#include <QFormLayout>
#include <QVBoxLayout>

SettingsSection::SettingsSection(const QString& header, QWidget* parent) : QWidget(parent) {
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(6);
    if (!header.isEmpty()) {
        title_ = new PlainLabel(header, Fonts::headline(), Palette::Tint::secondary, false, this);
        title_->setContentsMargins(8, 0, 0, 0);
        column->addWidget(title_);
    }
    auto* box = new RoundedBox(
        8, [] { return Palette::current().primary(0.05); }, this, [] { return Palette::current().primary(0.08); });
    form_ = new QFormLayout(box);
    form_->setContentsMargins(14, 10, 14, 10);
    form_->setHorizontalSpacing(16);
    form_->setVerticalSpacing(10);
    form_->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
    form_->setLabelAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    column->addWidget(box);
    footer_ = new PlainLabel(QString(), Fonts::caption(), Palette::Tint::secondary, true, this);
    footer_->setContentsMargins(8, 0, 8, 0);
    footer_->hide();
    column->addWidget(footer_);
}

void SettingsSection::addRow(const QString& label, QWidget* field) { form_->addRow(label, field); }

void SettingsSection::addRow(QWidget* field) { form_->addRow(field); }

void SettingsSection::setFooter(const QString& text) {
    footer_->setText(text);
    footer_->setVisible(!text.isEmpty());
}
