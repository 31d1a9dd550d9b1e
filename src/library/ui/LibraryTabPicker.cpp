#include "library/ui/LibraryTabPicker.h"

#include "library/LibraryScreenModel.h"
#include "platform/gui/Palette.h"
#include "store/Store.h"
#include "views/kit/OnAppearance.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QPushButton>

namespace {
QString segmentStyle() {
    const Palette& palette = Palette::current();
    const QString style =
        QStringLiteral("QPushButton { background: transparent; color: %1; border: none; border-radius: 5px;"
                       " padding: 3px 10px; }"
                       "QPushButton:checked { background: %2; color: %3; }")
            .arg(palette.text().name(QColor::HexArgb),
                 palette.primary(palette.isDark() ? 0.22 : 0.0).name(QColor::HexArgb),
                 palette.text().name(QColor::HexArgb));
    return palette.isDark() ? style : style + QStringLiteral("QPushButton:checked { background: white; }");
}
} // namespace

LibraryTabPicker::LibraryTabPicker(Store& store, QWidget* parent) : QWidget(parent), store_(store) {
    setAccessibleName(tr("Show"));
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(2, 2, 2, 2);
    row->setSpacing(2);
    for (LibraryTab tab : LibraryTabs::all()) {
        auto* segment = new QPushButton(this);
        segment->setCheckable(true);
        OnAppearance::styleSheet(segment, segmentStyle);
        segment->setCursor(Qt::PointingHandCursor);
        connect(segment, &QPushButton::clicked, this, [this, tab] {
            store_.setLibraryTab(tab);
            segments_.value(tab)->setChecked(store_.libraryTab() == tab);
        });
        segments_.insert(tab, segment);
        row->addWidget(segment);
    }
}

void LibraryTabPicker::show(const QHash<LibraryTab, int>& counts, LibraryTab current) {
    for (auto it = segments_.cbegin(); it != segments_.cend(); ++it) {
        const QString title = LibraryScreenModel::tabTitle(it.key(), counts.value(it.key()));
        if (it.value()->text() != title) {
            it.value()->setText(title);
            it.value()->setAccessibleName(title);
        }
        it.value()->setChecked(it.key() == current);
    }
}

void LibraryTabPicker::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Palette::current().primary(0.08));
    painter.drawRoundedRect(QRectF(rect()), 7, 7);
}
