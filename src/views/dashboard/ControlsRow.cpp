#include "views/dashboard/ControlsRow.h"

#include <QEvent>

#include <algorithm>

namespace {
constexpr int spacing = 8;      // between neighbours on a line
constexpr int lineSpacing = 10; // between the two lines of the narrow form
constexpr int searchWidth = 200;
constexpr int gap = 8; // the least room between the search field and the pills

int centred(int lineHeight, int height) { return (lineHeight - height) / 2; }
} // namespace

ControlsRow::ControlsRow(QWidget* chips, QWidget* search, QWidget* pills, QWidget* parent)
    : QWidget(parent), chips_(chips), search_(search), pills_(pills) {
    for (QWidget* child : {chips_, search_, pills_})
        child->setParent(this);
    QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
}

int ControlsRow::wideWidth() const {
    return chips_->sizeHint().width() + spacing + searchWidth + std::max(spacing, gap) + pills_->sizeHint().width();
}

bool ControlsRow::wide(int width) const { return width >= wideWidth(); }

QSize ControlsRow::sizeHint() const { return QSize(wideWidth(), heightForWidth(wideWidth())); }

QSize ControlsRow::minimumSizeHint() const {
    return QSize(std::max(chips_->sizeHint().width(), search_->minimumWidth() + gap + pills_->sizeHint().width()),
                 heightForWidth(0));
}

int ControlsRow::heightForWidth(int width) const {
    const int line = std::max({chips_->sizeHint().height(), search_->sizeHint().height(), pills_->sizeHint().height()});
    if (wide(width))
        return line;
    const int lower = std::max(search_->sizeHint().height(), pills_->sizeHint().height());
    return chips_->sizeHint().height() + lineSpacing + lower;
}

void ControlsRow::place() {
    const QSize chips = chips_->sizeHint(), search = search_->sizeHint(), pills = pills_->sizeHint();
    if (wide(width())) {
        const int line = height();
        chips_->setGeometry(0, centred(line, chips.height()), chips.width(), chips.height());
        search_->setGeometry(chips.width() + spacing, centred(line, search.height()), searchWidth, search.height());
        pills_->setGeometry(width() - pills.width(), centred(line, pills.height()), pills.width(), pills.height());
        return;
    }
    chips_->setGeometry(0, 0, chips.width(), chips.height());
    const int top = chips.height() + lineSpacing;
    const int line = height() - top;
    const int room = width() - pills.width() - gap;
    const int field = std::clamp(room, search_->minimumWidth(), search_->maximumWidth());
    search_->setGeometry(0, top + centred(line, search.height()), field, search.height());
    pills_->setGeometry(width() - pills.width(), top + centred(line, pills.height()), pills.width(), pills.height());
}

void ControlsRow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    place();
}

bool ControlsRow::event(QEvent* event) {
    // A child's size hint changed (a count grew a digit): measure again.
    if (event->type() == QEvent::LayoutRequest) {
        updateGeometry();
        place();
    }
    return QWidget::event(event);
}
