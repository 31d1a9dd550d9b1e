#include "views/dashboard/FilterChips.h"

#include "model/Motion.h"
#include "platform/gui/Fonts.h"
#include "platform/gui/PaintCache.h"
#include "platform/gui/Palette.h"
#include "platform/gui/Symbols.h"
#include "runtime/Observation.h"
#include "store/Store.h"
#include "views/kit/Animator.h"
#include "views/dashboard/FilterChipModel.h"
#include "views/kit/FrameObserver.h"
#include "views/kit/TourAnchors.h"

#include <QAbstractButton>
#include <QFocusEvent>
#include <QHBoxLayout>
#include <QPainter>
#include <QPainterPath>

#include <cmath>

namespace {
constexpr double padX = 12, padY = 6, gap = 6, glyph = 13;

// One chip: symbol, title and count; the selection capsule under it is the row's.
class Chip : public QAbstractButton {
public:
    Chip(const FilterChipModel::Chip& chip, QWidget* parent) : QAbstractButton(parent), chip_(chip) {
        setText(chip.title);
        setCursor(Qt::PointingHandCursor);
        setFocusPolicy(Qt::TabFocus);
        setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    }

    void set(bool selected, const QString& count, const QString& label) {
        if (selected == selected_ && count == count_)
            return;
        selected_ = selected;
        count_ = count;
        setAccessibleName(label);
        updateGeometry();
        update();
    }
    const QString& count() const { return count_; }

    void focusInEvent(QFocusEvent* event) override {
        // The ring marks where the keyboard is, not the focus a window hands its first control.
        byKeyboard_ = event->reason() == Qt::TabFocusReason || event->reason() == Qt::BacktabFocusReason;
        QAbstractButton::focusInEvent(event);
    }

    QSize sizeHint() const override {
        const QFontMetricsF title(Fonts::system(12.5, QFont::DemiBold)), count(countFont());
        const double width = glyph + gap + title.horizontalAdvance(chip_.title) + gap + count.horizontalAdvance(count_);
        return QSize(static_cast<int>(std::ceil(width + 2 * padX)),
                     static_cast<int>(std::ceil(title.height() + 2 * padY)));
    }

protected:
    void paintEvent(QPaintEvent*) override {
        const Palette& palette = Palette::current();
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const QRectF box(rect());
        if (hasFocus() && byKeyboard_) {
            QPainterPath capsule;
            capsule.addRoundedRect(box.adjusted(1, 1, -1, -1), box.height() / 2 - 1, box.height() / 2 - 1);
            painter.setPen(QPen(palette.accent(), 1.5));
            painter.drawPath(capsule);
        }
        double x = padX;
        Symbols::paint(painter, QRectF(x, box.center().y() - glyph / 2, glyph, glyph), chip_.symbol,
                       palette.tint(FilterChipModel::symbolHue(chip_, selected_)));
        x += glyph + gap;
        const QFont title = titleFont();
        painter.setFont(title);
        painter.setPen(palette.text());
        const double titleWidth = QFontMetricsF(title).horizontalAdvance(chip_.title);
        painter.drawText(QRectF(x, 0, titleWidth + 1, box.height()), Qt::AlignLeft | Qt::AlignVCenter, chip_.title);
        x += titleWidth + gap;
        painter.setFont(countFont());
        painter.setPen(palette.secondary());
        painter.drawText(QRectF(x, 0, box.width() - x, box.height()), Qt::AlignLeft | Qt::AlignVCenter, count_);
    }

private:
    // Semibold when selected; the chip is as wide as its semibold title either way, so the
    // row keeps its width as the selection moves.
    QFont titleFont() const { return Fonts::system(12.5, selected_ ? QFont::DemiBold : QFont::Medium); }
    static QFont countFont() { return Fonts::system(11, QFont::DemiBold); }

    FilterChipModel::Chip chip_;
    bool selected_ = false;
    bool byKeyboard_ = false;
    QString count_;
};
} // namespace

FilterChips::FilterChips(Store& store, QWidget* parent) : QWidget(parent), store_(store), shown_(store.filter()) {
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(3, 3, 3, 3);
    row->setSpacing(2);
    for (const auto& chip : FilterChipModel::chips()) {
        auto* button = new Chip(chip, this);
        const Filter filter = chip.filter;
        connect(button, &QAbstractButton::clicked, this, [this, button, filter] {
            // The clicked chip takes the focus, without a ring: the list a filter hides would
            // otherwise hand its focus on to the first chip, which draws one.
            button->setFocus(Qt::MouseFocusReason);
            FilterChipModel::choose(store_, filter);
        });
        row->addWidget(button);
        chips_.append(button);
        TourAnchors::mark(button, FilterChipModel::tourAnchor(filter));
    }
    new FrameObserver(
        this, [this] { refresh(); }, [] {});
}

QAbstractButton* FilterChips::chip(Filter filter) const {
    const auto& table = FilterChipModel::chips();
    for (qsizetype i = 0; i < table.size(); ++i)
        if (table[i].filter == filter)
            return chips_[i];
    return nullptr;
}

void FilterChips::refresh() {
    const auto& table = FilterChipModel::chips();
    for (qsizetype i = 0; i < table.size(); ++i) {
        const Filter filter = table[i].filter;
        const QString count = FilterChipModel::countText(store_, filter);
        static_cast<Chip*>(chips_[i])->set(FilterChipModel::selected(store_, filter), count,
                                           FilterChipModel::accessibilityLabel(table[i], count));
    }
    if (store_.filter() != shown_) {
        shown_ = store_.filter();
        slide();
    }
}

QRectF FilterChips::selectedRect() const {
    const QAbstractButton* selected = chip(shown_);
    return selected ? QRectF(selected->geometry()) : QRectF();
}

void FilterChips::slide() {
    if (sliding_)
        sliding_->stop();
    from_ = capsule_;
    const auto animation = FilterChipModel::selectionAnimation(Motion::reduced());
    auto apply = [this](double v) {
        progress_ = v;
        const QRectF to = selectedRect();
        capsule_ = QRectF(from_.x() + (to.x() - from_.x()) * v, from_.y() + (to.y() - from_.y()) * v,
                          from_.width() + (to.width() - from_.width()) * v,
                          from_.height() + (to.height() - from_.height()) * v);
        update();
    };
    sliding_ = animation.kind == Motion::Animation::Kind::easeInOut
                   ? Animator::timed(this, animation.duration, QEasingCurve::InOutQuad, 0, 1, apply)
                   : Animator::spring(this, animation.response, animation.dampingFraction, 0, 1, apply);
}

void FilterChips::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    layout()->activate();
    if (!sliding_ || sliding_->state() != QAbstractAnimation::Running)
        capsule_ = selectedRect();
}

void FilterChips::paintEvent(QPaintEvent*) {
    const Palette& palette = Palette::current();
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF box(rect());
    PaintCache::fillRounded(painter, box, box.height() / 2, palette.primary(0.06));
    if (capsule_.isEmpty())
        return;
    const double r = capsule_.height() / 2;
    const QColor face = palette.controlBackground();
    PaintCache::place(painter, QStringLiteral("chip-capsule:%1").arg(face.rgba(), 0, 16),
                      capsule_.adjusted(-1.5, -1.5, 1.5, 2.5), [&](QPainter& into) {
                          into.setRenderHint(QPainter::Antialiasing);
                          // The raised capsule's shadow, one pixel down, then the capsule itself.
                          for (int i = 3; i >= 1; --i) {
                              QPainterPath blur;
                              blur.addRoundedRect(
                                  capsule_.translated(0, 1).adjusted(-i * 0.5, -i * 0.5, i * 0.5, i * 0.5), r + i * 0.5,
                                  r + i * 0.5);
                              into.fillPath(blur, QColor(0, 0, 0, 10));
                          }
                          QPainterPath capsule;
                          capsule.addRoundedRect(capsule_, r, r);
                          into.fillPath(capsule, face);
                      });
}
