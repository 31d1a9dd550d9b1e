#include "views/cards/CardHeader.h"

#include "platform/gui/Fonts.h"
#include "platform/gui/Palette.h"
#include "platform/gui/Symbols.h"
#include "views/kit/Animator.h"
#include "views/kit/SymbolView.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QHelpEvent>
#include <QPainter>
#include <QToolTip>
#include <QVBoxLayout>

#include <cmath>

namespace {
constexpr double chevronGlyph = 11;
constexpr int chevronFrame = 14;
constexpr int nameFlags = Qt::AlignLeft | Qt::AlignVCenter | Qt::TextExpandTabs;

// Made once and kept for the process: a font made afresh per paint is looked up afresh.
const QFont& nameFont() {
    static const QFont* font = new QFont(Fonts::system(14, QFont::DemiBold));
    return *font;
}

const QFont& detailFont() {
    static const QFont* font = new QFont(Fonts::system(11.5));
    return *font;
}

// A place of a fixed height in a row, laid out as a widget of that size would be: a spacer
// would lose the layout's spacing beside it. What is drawn there is drawn again where it moves.
class Place final : public QLayoutItem {
public:
    Place(QSize size, bool fillsWidth, QWidget* owner) : size_(size), fillsWidth_(fillsWidth), owner_(owner) {}

    void setSize(QSize size) { size_ = size; }

    QSize sizeHint() const override { return QSize(fillsWidth_ ? 0 : size_.width(), size_.height()); }
    QSize minimumSize() const override { return sizeHint(); }
    QSize maximumSize() const override { return QSize(fillsWidth_ ? QLAYOUTSIZE_MAX : size_.width(), size_.height()); }
    Qt::Orientations expandingDirections() const override { return {}; }
    bool isEmpty() const override { return false; }
    void setGeometry(const QRect& rect) override {
        if (rect == rect_)
            return;
        owner_->update(rect_);
        owner_->update(rect);
        rect_ = rect;
    }
    QRect geometry() const override { return rect_; }

private:
    QSize size_;
    bool fillsWidth_;
    QWidget* owner_;
    QRect rect_;
};

class Accessible final : public QAccessibleWidget {
public:
    explicit Accessible(CardHeader* header) : QAccessibleWidget(header, QAccessible::Button) {}

    int childCount() const override { return 0; }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }

    QAccessible::State state() const override {
        QAccessible::State state = QAccessibleWidget::state();
        state.selectable = true;
        state.selected = header()->selected();
        state.expandable = true;
        state.expanded = header()->expanded();
        state.collapsed = !header()->expanded();
        return state;
    }

    QStringList actionNames() const override {
        QStringList names{pressAction()};
        for (const auto& named : named())
            names.append(named.label);
        return names;
    }

    QString localizedActionName(const QString& name) const override {
        return name == pressAction() ? QAccessibleWidget::localizedActionName(name) : name;
    }

    QString localizedActionDescription(const QString& name) const override {
        return name == pressAction() ? header()->accessibleDescription() : name;
    }

    QStringList keyBindingsForAction(const QString&) const override { return {}; }

    void doAction(const QString& name) override {
        const auto& actions = header()->actions();
        if (name == pressAction()) {
            if (actions.toggle)
                actions.toggle();
            return;
        }
        for (const auto& named : named()) {
            if (named.label == name && actions.run) {
                actions.run(named.action);
                return;
            }
        }
    }

private:
    CardHeader* header() const { return static_cast<CardHeader*>(widget()); }
    QList<AppCardModel::NamedAction> named() const {
        const auto& actions = header()->actions();
        return actions.named ? actions.named() : QList<AppCardModel::NamedAction>();
    }
};

QAccessibleInterface* make(const QString& className, QObject* object) {
    if (className == QLatin1String("CardHeader") && object && object->isWidgetType())
        return new Accessible(static_cast<CardHeader*>(object));
    return nullptr;
}

} // namespace

CardHeader::CardHeader(Actions actions, QWidget* parent) : QWidget(parent), actions_(std::move(actions)) {
    static const bool installed = [] {
        QAccessible::installFactory(make);
        return true;
    }();
    Q_UNUSED(installed);
    // Sized as the labels they stand for were: a line of each font, the width the row leaves.
    const auto lineHeight = [](const QFont& font) { return static_cast<int>(std::ceil(QFontMetricsF(font).height())); };
    nameSpace_ = new Place(QSize(0, lineHeight(nameFont())), true, this);
    detailSpace_ = new Place(QSize(0, lineHeight(detailFont())), true, this);
    texts_ = new QVBoxLayout;
    texts_->setSpacing(3);
    texts_->addItem(nameSpace_);
    texts_->addItem(detailSpace_);
    chevron_ = new Place(QSize(chevronFrame, static_cast<int>(std::ceil(chevronGlyph))), false, this);
    pillSpace_ = new Place(pill_.size(), false, this);
    // The latest version slides in by the standard animation, widening the capsule.
    pillMotion_ = new SpringValue(this, 0, [this](double v) {
        pill_.setReveal(v);
        resizePill();
    });
}

void CardHeader::setPill(const VersionPillModel::Pill& pill) {
    if (pill == pill_.pill())
        return;
    pill_.setPill(pill, *pillMotion_, isVisible());
    resizePill();
}

void CardHeader::resizePill() {
    update(pillRect());
    const QSize size = pill_.size();
    if (size == pillSpace_->sizeHint())
        return;
    // The row lays itself out again, which moves the texts and the capsule and draws them anew.
    static_cast<Place*>(pillSpace_)->setSize(size);
    if (layout())
        layout()->invalidate();
}

QRect CardHeader::pillRect() const {
    const QRect space = pillSpace_->geometry();
    const QSize size = pill_.size();
    return QRect(QPoint(space.x(), space.y() + (space.height() - size.height()) / 2), size);
}

bool CardHeader::event(QEvent* event) {
    // The capsule explains the versions; the rest of the row has no tip.
    if (event->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(event);
        const QRect pill = pillRect();
        if (pill.contains(help->pos()) && !pill_.pill().help.isEmpty())
            QToolTip::showText(help->globalPos(), pill_.pill().help, this, pill);
        else
            QToolTip::hideText();
        return true;
    }
    return QWidget::event(event);
}

void CardHeader::setTexts(const QString& name, const QString& detail) {
    if (name == name_ && detail == detail_)
        return;
    name_ = name;
    if (detail != detail_) {
        detail_ = detail;
        detailWidth_ = -1;
    }
    update(texts_->geometry());
}

void CardHeader::setChevronRotation(double degrees) {
    if (degrees == rotation_)
        return;
    rotation_ = degrees;
    update(chevronRect());
}

QRect CardHeader::chevronRect() const {
    // Centred in its place, as a fixed-size widget is.
    const QRect space = chevron_->geometry();
    const QSize size(chevronFrame, static_cast<int>(std::ceil(chevronGlyph)));
    return QRect(
        QPoint(space.x() + (space.width() - size.width()) / 2, space.y() + (space.height() - size.height()) / 2), size);
}

void CardHeader::paintEvent(QPaintEvent* event) {
    const Palette& palette = Palette::current();
    QPainter painter(this);

    const QRect nameRect = nameSpace_->geometry();
    if (event->rect().intersects(nameRect) && !name_.isEmpty()) {
        painter.save();
        painter.setClipRect(nameRect);
        painter.setFont(nameFont());
        painter.setPen(palette.text());
        painter.drawText(nameRect, nameFlags, name_);
        painter.restore();
    }

    const QRect detailRect = detailSpace_->geometry();
    if (event->rect().intersects(detailRect) && !detail_.isEmpty()) {
        const QFont& font = detailFont();
        if (detailWidth_ != detailRect.width()) {
            detailWidth_ = detailRect.width();
            shownDetail_ = QStaticText(QFontMetricsF(font).elidedText(detail_, Qt::ElideRight, detailWidth_));
            shownDetail_.setTextFormat(Qt::PlainText);
            shownDetail_.setPerformanceHint(QStaticText::AggressiveCaching);
            shownDetail_.prepare(QTransform(), font);
        }
        painter.save();
        painter.setClipRect(detailRect);
        painter.setFont(font);
        painter.setPen(palette.secondary());
        painter.drawStaticText(detailRect.topLeft(), shownDetail_);
        painter.restore();
    }

    const QRect pill = pillRect();
    if (event->rect().intersects(pill))
        pill_.paint(painter, QRectF(pill));

    const QRect chevron = chevronRect();
    if (event->rect().intersects(chevron))
        SymbolView::paint(painter, QRectF(chevron), chevronGlyph, QStringLiteral("chevron.right"), palette.tertiary(),
                          rotation_);
}

void CardHeader::setSelected(bool selected) {
    if (selected == selected_)
        return;
    selected_ = selected;
    tellStateChanged(true);
}

void CardHeader::setExpanded(bool expanded) {
    if (expanded == expanded_)
        return;
    expanded_ = expanded;
    tellStateChanged(false);
}

void CardHeader::tellStateChanged(bool selection) {
    QAccessible::State changed;
    if (selection) {
        changed.selected = true;
    } else {
        changed.expanded = true;
        changed.collapsed = true;
    }
    QAccessibleStateChangeEvent event(this, changed);
    QAccessible::updateAccessibility(&event);
}
