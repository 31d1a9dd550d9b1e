#include "views/cards/AppCard.h"

#include "model/AppItem.h"
#include "platform/gui/PaintCache.h"
#include "platform/gui/Palette.h"
#include "runtime/Observation.h"
#include "views/kit/Animator.h"
#include "views/cards/AppCardModel.h"
#include "views/cards/CardHeader.h"
#include "views/kit/AppIcon.h"
#include "views/detail/DetailPane.h"
#include "views/kit/HintBox.h"
#include "views/cards/RowAccessory.h"
#include "views/cards/RowCommands.h"
#include "views/cards/RowMenu.h"
#include "views/kit/Shown.h"
#include "views/cards/VersionPillModel.h"

#include <QContextMenuEvent>
#include <QHBoxLayout>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QVBoxLayout>

namespace {
constexpr int accessoryWidth = 136;

// A hairline with the card's side padding.
class Divider : public QWidget {
public:
    explicit Divider(QWidget* parent) : QWidget(parent) { setFixedHeight(1); }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.fillRect(QRectF(16, 0, width() - 32, 1), Palette::current().primary(0.1));
    }
};
} // namespace

AppCard::AppCard(std::shared_ptr<AppItem> item, Store* store, std::function<void()> toggle, QWidget* parent)
    : QWidget(parent), item_(item), store_(store), toggle_(std::move(toggle)) {
    facts_ = RowFacts::of(*item);
    setAttribute(Qt::WA_Hover);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Minimum);

    stack_ = new QVBoxLayout(this);
    stack_->setContentsMargins(0, 0, 0, 0);
    stack_->setSpacing(0);

    CardHeader::Actions actions;
    actions.toggle = [this] {
        if (toggle_)
            toggle_();
    };
    actions.named = [this] { return AppCardModel::namedActions(facts_); };
    actions.run = [this](const RowAction& action) { run(action); };
    header_ = new CardHeader(std::move(actions), this);
    header_->setCursor(Qt::PointingHandCursor);
    header_->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    header_->installEventFilter(this);
    auto* row = new QHBoxLayout(header_);
    row->setContentsMargins(16, 12, 16, 12);
    row->setSpacing(14);
    icon_ = new AppIcon(facts_.app.url, 40, header_);
    row->addWidget(icon_);

    row->addLayout(header_->textColumn(), 1);
    row->addSpacing(10 - row->spacing());

    row->addItem(header_->pillSpace());
    accessory_ = new RowAccessory(header_);
    accessory_->setFixedWidth(accessoryWidth);
    row->addWidget(accessory_);
    connect(accessory_, &RowAccessory::triggered, this, &AppCard::run);
    row->addItem(header_->chevronSpace());
    stack_->addWidget(header_);

    // Chevron and shadow follow the card opening, by the standard animation. The shadow lies
    // outside the card, so its holder paints it; a blur effect per card would cost every repaint.
    openness_ = new SpringValue(this, 0, [this](double v) {
        header_->setChevronRotation(90 * v);
        open_ = v;
        if (parentWidget())
            parentWidget()->update(geometry().adjusted(-16, -16, 16, 20));
    });

    observer_ = new Observer(
        this,
        [this] {
            if (const auto row = item_.lock())
                (void)RowFacts::of(*row);
        },
        [this] { refresh(); });
    refresh();
}

AppCard::~AppCard() = default;

QWidget* AppCard::header() const { return header_; }

QSize AppCard::sizeHint() const { return HintBox::of(*this); }

void AppCard::refresh() {
    const auto item = item_.lock();
    if (!item)
        return;
    facts_ = RowFacts::of(*item);
    icon_->setBundle(facts_.app.url);
    header_->setTexts(Shown::name(facts_.app), AppCardModel::detail(facts_));
    header_->setPill(VersionPillModel::pill(facts_));
    accessory_->setRow(facts_);
    header_->setAccessibleName(AppCardModel::accessibilityText(facts_));
    header_->setAccessibleDescription(AppCardModel::hint(expanded_));
    if (pane_)
        pane_->setRow(facts_);
}

void AppCard::setSelected(bool selected) {
    if (selected == selected_)
        return;
    selected_ = selected;
    header_->setSelected(selected);
    update();
}

void AppCard::setExpanded(bool expanded) {
    if (expanded == expanded_)
        return;
    expanded_ = expanded;
    header_->setExpanded(expanded);
    header_->setAccessibleDescription(AppCardModel::hint(expanded_));
    if (expanded) {
        divider_ = new Divider(this);
        pane_ = new DetailPane(this);
        auto* padded = new HintBox(this);
        auto* margin = new QVBoxLayout(padded);
        margin->setContentsMargins(18, 18, 18, 18);
        margin->addWidget(pane_);
        connect(pane_, &DetailPane::triggered, this, &AppCard::run);
        connect(pane_, &DetailPane::linkActivated, this, [this](const QUrl& url) {
            const auto item = item_.lock();
            if (store_ && item)
                RowCommands::openLink(*store_, *item, url);
        });
        pane_->setRow(facts_);
        stack_->addWidget(divider_);
        stack_->addWidget(padded);
    } else if (pane_) {
        QWidget* padded = pane_->parentWidget();
        stack_->removeWidget(divider_);
        stack_->removeWidget(padded);
        divider_->deleteLater();
        padded->deleteLater();
        divider_ = nullptr;
        pane_ = nullptr;
    }
    if (isVisible())
        openness_->setTarget(expanded ? 1 : 0);
    else
        openness_->setValue(expanded ? 1 : 0);
}

void AppCard::run(const RowAction& action) {
    if (store_)
        RowCommands::perform(*store_, item_.lock(), action);
}

bool AppCard::eventFilter(QObject* watched, QEvent* event) {
    if (watched == header_ && event->type() == QEvent::MouseButtonRelease) {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton && header_->rect().contains(mouse->position().toPoint()) && toggle_) {
            toggle_();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void AppCard::contextMenuEvent(QContextMenuEvent* event) {
    QMenu* menu = RowMenu::make(
        facts_, [this](const RowAction& action) { run(action); }, this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(event->globalPos());
}

QColor AppCard::shadowColour() const {
    return QColor::fromRgbF(0, 0, 0, static_cast<float>(0.05 + 0.07 * std::clamp(open_, 0.0, 1.0)));
}

void AppCard::paintEvent(QPaintEvent*) {
    const Palette& palette = Palette::current();
    QPainter painter(this);
    const double line = selected_ ? 1.5 : 1;
    QColor border = selected_ ? palette.accent() : palette.primary(0.07);
    if (selected_)
        border.setAlphaF(0.7f);
    PaintCache::fillRounded(painter, QRectF(rect()), radius, palette.material(), border, line);
}
