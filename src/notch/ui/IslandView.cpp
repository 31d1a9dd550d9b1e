#include "notch/ui/IslandView.h"
#include "account/ui/AccountChipView.h"
#include "model/Prefs.h"

#include "model/Motion.h"
#include "notch/IslandModel.h"
#include "notch/NotchShape.h"
#include "notch/ui/ArrivalEffect.h"
#include "notch/ui/DarkPalette.h"
#include "notch/ui/IslandButton.h"
#include "notch/ui/IslandRow.h"
#include "platform/gui/Fonts.h"
#include "platform/gui/Symbols.h"
#include "runtime/Clock.h"
#include "runtime/Observation.h"
#include "runtime/Spawn.h"
#include "views/kit/Animator.h"
#include "views/kit/ElidedLabel.h"
#include "views/kit/NumericLabel.h"
#include "views/kit/PlainLabel.h"

#include <QApplication>
#include <QGraphicsOpacityEffect>
#include <QHBoxLayout>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace {
constexpr double openWidth = 520, pillWidth = 150, pillHeight = 34, strip = 12;
constexpr double sidePadding = 18, bottomPadding = 16;
// How long "Later" is held before its menu opens instead of the click.
constexpr double holdSeconds = 0.5;
// The open content grows from this scale, anchored at the top, as it fades in.
constexpr double openingScale = 0.96;

QColor white(double opacity) { return QColor::fromRgbF(1, 1, 1, static_cast<float>(opacity)); }
double lerp(double a, double b, double t) { return a + (b - a) * t; }

// The close button: a small cross on a faint circle.
class CloseButton : public QAbstractButton {
public:
    explicit CloseButton(QWidget* parent) : QAbstractButton(parent) {
        setFixedSize(22, 22);
        setCursor(Qt::PointingHandCursor);
        setFocusPolicy(Qt::NoFocus);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(white(0.10));
        painter.drawEllipse(QRectF(rect()));
        painter.setPen(QPen(white(1), 1.6, Qt::SolidLine, Qt::RoundCap));
        const QPointF c = QRectF(rect()).center();
        const double r = 3.4;
        painter.drawLine(c + QPointF(-r, -r), c + QPointF(r, r));
        painter.drawLine(c + QPointF(-r, r), c + QPointF(r, -r));
    }
};

QCoro::Task<void> after(double seconds, QPointer<QObject> owner, std::function<void()> then) {
    co_await Clock::sleepSeconds(seconds);
    if (owner)
        then();
}
} // namespace

IslandView::IslandView(std::shared_ptr<IslandModel> model, Store* store, double ear, QWidget* parent)
    : QWidget(parent), model_(std::move(model)), store_(store), ear_(ear), notched_(model_->state()->notched()) {
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_Hover);
    build();
    new Observer(
        this,
        [this] {
            (void)model_->title();
            (void)model_->subtitle();
            (void)model_->updateAllText();
            (void)model_->updateAllEnabled();
            (void)model_->state()->askingToStop();
            (void)model_->state()->expanded();
        },
        [this] { refresh(); });
    refresh();
    qApp->installEventFilter(this);
    model_->start();
}

IslandView::~IslandView() = default;

void IslandView::build() {
    content_ = new QWidget(this);
    auto* column = new QVBoxLayout(content_);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(12);
    column->addWidget(buildHeader());

    list_ = new QScrollArea(content_);
    list_->setFrameShape(QFrame::NoFrame);
    list_->setWidgetResizable(true);
    list_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    list_->setStyleSheet(QStringLiteral(
        "QScrollArea, QScrollArea > QWidget > QWidget { background: transparent; }"
        "QScrollBar:vertical { background: transparent; width: 6px; margin: 0; }"
        "QScrollBar::handle:vertical { background: rgba(255, 255, 255, 70); border-radius: 3px; min-height: 24px; }"
        "QScrollBar::add-line, QScrollBar::sub-line, QScrollBar::add-page, QScrollBar::sub-page"
        " { background: none; height: 0; }"));
    list_->viewport()->setAutoFillBackground(false);
    rowsHost_ = new QWidget;
    rowsHost_->setAutoFillBackground(false);
    rows_ = new QVBoxLayout(rowsHost_);
    rows_->setContentsMargins(0, 0, 0, 0);
    rows_->setSpacing(4);
    rows_->addStretch();
    list_->setWidget(rowsHost_);
    column->addWidget(list_);

    actions_ = buildActions();
    question_ = buildQuestion();
    column->addWidget(actions_);
    column->addWidget(question_);
    question_->hide();

    auto* arrival = new ArrivalEffect(content_);
    arrival->setState(0, openingScale, 0);
    content_->setGraphicsEffect(arrival);
    content_->hide();
    auto* rising = new ArrivalEffect(question_);
    rising->setEnabled(false);
    question_->setGraphicsEffect(rising);
    // A preview island's buttons do not react.
    content_->setAttribute(Qt::WA_TransparentForMouseEvents, model_->state()->preview());
}

QWidget* IslandView::buildHeader() {
    auto* header = new QWidget(content_);
    auto* row = new QHBoxLayout(header);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(12);
    auto* icon = new QLabel(header);
    icon->setFixedSize(34, 34);
    icon->setPixmap(QApplication::windowIcon().pixmap(QSize(34, 34), devicePixelRatioF()));
    icon->setScaledContents(true);
    row->addWidget(icon);
    auto* texts = new QVBoxLayout;
    texts->setSpacing(2);
    title_ = new NumericLabel(Fonts::system(15, QFont::DemiBold), white(1), header);
    // One line beside the icon: a longer sentence ends in "…", whole in its tooltip.
    subtitle_ = new ElidedLabel(QString(), Qt::ElideRight, 1, header);
    subtitle_->setFont(Fonts::system(11));
    subtitle_->setColor(white(0.55));
    subtitle_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    texts->addWidget(title_);
    texts->addWidget(subtitle_);
    row->addLayout(texts, 1);
    row->addSpacing(6);
    if (store_)
        row->addWidget(new AccountChipView(
            *store_, Prefs::shared(), [this] { model_->openApp(); }, header));
    auto* close = new CloseButton(header);
    close->setToolTip(tr("Dismiss"));
    close->setAccessibleName(tr("Dismiss"));
    connect(close, &QAbstractButton::clicked, this, [this] { model_->dismiss(); });
    row->addWidget(close);
    return header;
}

QWidget* IslandView::buildActions() {
    auto* actions = new QWidget(content_);
    auto* row = new QHBoxLayout(actions);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(8);
    later_ = new IslandButton(IslandButton::Kind::plain, tr("Later"), actions);
    later_->setMenuIndicator(true);
    later_->setToolTip(tr("Click to put these off; hold for more choices"));
    connect(later_, &QAbstractButton::pressed, this, [this] { holdLater(); });
    connect(later_, &QAbstractButton::clicked, this, [this] {
        if (!std::exchange(laterHeld_, false))
            model_->later();
    });
    row->addWidget(later_);
    row->addStretch();
    auto* open = new IslandButton(IslandButton::Kind::secondary, tr("Open Quenlark"), actions);
    connect(open, &QAbstractButton::clicked, this, [this] { model_->openApp(); });
    row->addWidget(open);
    updateAll_ = new IslandButton(IslandButton::Kind::primary, QString(), actions);
    updateAll_->setSymbol(QStringLiteral("arrow.down.circle.fill"));
    connect(updateAll_, &QAbstractButton::clicked, this, [this] { model_->updateAll(); });
    row->addWidget(updateAll_);
    return actions;
}

QWidget* IslandView::buildQuestion() {
    auto* question = new QWidget(content_);
    auto* row = new QHBoxLayout(question);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(10);
    auto* text = new PlainLabel(IslandModel::question(), Fonts::system(12), white(0.75), true, question);
    QSizePolicy policy = text->sizePolicy();
    policy.setHorizontalPolicy(QSizePolicy::Ignored);
    policy.setHeightForWidth(true); // as many lines as it needs
    text->setSizePolicy(policy);
    row->addWidget(text, 1);
    row->addSpacing(6);
    auto* menuBar = new IslandButton(IslandButton::Kind::secondary, tr("Only the menu bar"), question);
    connect(menuBar, &QAbstractButton::clicked, this, [this] { model_->onlyMenuBar(); });
    row->addWidget(menuBar);
    auto* keep = new IslandButton(IslandButton::Kind::primary, tr("Keep showing"), question);
    connect(keep, &QAbstractButton::clicked, this, [this] { model_->keepShowing(); });
    row->addWidget(keep);
    return question;
}

void IslandView::holdLater() {
    laterHeld_ = false;
    const int generation = ++pressGeneration_;
    spawn(after(holdSeconds, this,
                [this, generation] {
                    if (generation == pressGeneration_ && later_->isDown())
                        showLaterMenu();
                }),
          "island later hold");
}

void IslandView::showLaterMenu() {
    laterHeld_ = true;
    auto* menu = new QMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    for (const IslandModel::MenuEntry& entry : IslandModel::laterMenu()) {
        if (!entry.entry) {
            menu->addSeparator();
            continue;
        }
        const IslandModel::Later choice = *entry.entry;
        menu->addAction(entry.text, this, [this, choice] { model_->choose(choice); });
    }
    later_->setDown(false);
    menu->popup(later_->mapToGlobal(QPoint(0, later_->height() + 4)));
}

void IslandView::refresh() {
    const DarkPalette dark;
    title_->setText(model_->title());
    subtitle_->setText(model_->subtitle());
    subtitle_->setToolTip(model_->subtitle());
    subtitle_->setAccessibleName(model_->subtitle()); // a screen reader hears the whole sentence
    updateAll_->setText(model_->updateAllText());
    updateAll_->setEnabled(model_->updateAllEnabled());
    updateAll_->updateGeometry();
    const bool asking = model_->state()->askingToStop();
    actions_->setVisible(!asking);
    if (asking && question_->isHidden())
        arriveQuestion();
    question_->setVisible(asking);
    content_->layout()->invalidate();
    setAccessibleName(model_->accessibleName());
    if (QWidget* top = window(); top && top != this)
        top->setWindowTitle(model_->accessibleName());
    syncRows();
    const bool expanded = model_->state()->expanded();
    if (expanded != expanded_) {
        expanded_ = expanded;
        animateTo(expanded);
    } else {
        layoutContent();
    }
}

void IslandView::arriveQuestion() {
    QPointer<ArrivalEffect> arrival = static_cast<ArrivalEffect*>(question_->graphicsEffect());
    arrival->setEnabled(true);
    arrival->setState(0, 1, question_->sizeHint().height());
    QPointer<QWidget> question = question_;
    // It fades in while it rises from the bottom edge by its own height.
    Animator::standard(question_, 0, 1, [question, arrival](double v) {
        if (!question || !arrival)
            return;
        arrival->setState(v, 1, (1 - v) * question->height());
        arrival->setEnabled(!arrival->resting());
    });
}

void IslandView::syncRows() {
    const auto shown = model_->shown();
    QHash<QString, IslandRow*> kept;
    int index = 0;
    for (const auto& item : shown) {
        IslandRow* row = rowById_.take(item->id());
        if (!row)
            row = new IslandRow(item, store_, index, Motion::reduced(), rowsHost_);
        else
            rows_->removeWidget(row);
        rows_->insertWidget(index, row);
        kept.insert(item->id(), row);
        ++index;
    }
    for (IslandRow* gone : std::as_const(rowById_))
        gone->deleteLater();
    rowById_ = kept;
    list_->setFixedHeight(static_cast<int>(model_->listHeight()));
    list_->setVerticalScrollBarPolicy(shown.size() > 5 ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
    // Six rows or more fade out over the list's last 14 %.
    if (model_->listFades()) {
        auto* fade = qobject_cast<QGraphicsOpacityEffect*>(list_->graphicsEffect());
        if (!fade) {
            fade = new QGraphicsOpacityEffect(list_);
            fade->setOpacity(1);
            list_->setGraphicsEffect(fade);
        }
        QLinearGradient mask(0, 0, 0, model_->listHeight());
        mask.setColorAt(0, Qt::black);
        mask.setColorAt(0.86, Qt::black);
        mask.setColorAt(1, QColor(0, 0, 0, 38));
        fade->setOpacityMask(mask);
    } else {
        list_->setGraphicsEffect(nullptr);
    }
}

void IslandView::animateTo(bool expanded) {
    if (motion_)
        motion_->stop();
    const auto apply = [this](double v) { setOpenness(v); };
    if (Motion::instant()) {
        setOpenness(expanded ? 1 : 0);
        return;
    }
    const bool reduced = Motion::reduced();
    if (expanded)
        motion_ = reduced ? Animator::timed(this, 0.2, QEasingCurve::OutQuad, openness_, 1, apply)
                          : Animator::spring(this, 0.55, 0.62, openness_, 1, apply);
    else
        motion_ = reduced ? Animator::timed(this, 0.18, QEasingCurve::InQuad, openness_, 0, apply)
                          : Animator::spring(this, 0.45, 0.72, openness_, 0, apply);
}

void IslandView::setOpenness(double value) {
    openness_ = value;
    layoutContent();
    update();
}

double IslandView::foldedWidth() const { return (notched_ ? model_->state()->notch().width() : pillWidth); }
double IslandView::foldedHeight() const { return notched_ ? model_->state()->notch().height() : pillHeight; }

int IslandView::contentHeight() const {
    const int width = static_cast<int>(openWidth - 2 * sidePadding);
    QLayout* layout = content_->layout();
    return layout->hasHeightForWidth() ? layout->totalHeightForWidth(width) : layout->totalSizeHint().height();
}

double IslandView::openHeight() const {
    const double top = notched_ ? model_->state()->notch().height() : strip;
    return top + contentHeight() + bottomPadding;
}

QRectF IslandView::islandRect() const {
    const double v = std::max(0.0, openness_);
    const double ears = notched_ ? 2 * ear_ : 0;
    const double width = std::max(0.0, lerp(foldedWidth(), openWidth, v)) + ears;
    const double height = std::max(0.0, lerp(foldedHeight(), openHeight(), v));
    return {(this->width() - width) / 2, 0, width, height};
}

QPainterPath IslandView::outline() const {
    const QRectF rect = islandRect();
    const double t = std::clamp(openness_, 0.0, 1.0);
    if (notched_)
        return NotchShape{ear_, lerp(10, 30, t)}.path(rect);
    QPainterPath path;
    const double radius = std::min(lerp(17, 28, t), std::min(rect.width(), rect.height()) / 2);
    path.addRoundedRect(rect, radius, radius);
    return path;
}

void IslandView::layoutContent() {
    const QRectF island = islandRect();
    model_->state()->setIslandRect(island);
    const double top = notched_ ? model_->state()->notch().height() : strip;
    const int width = static_cast<int>(openWidth - 2 * sidePadding);
    const int height = contentHeight();
    const double x = (this->width() - openWidth) / 2 + sidePadding;
    content_->setGeometry(static_cast<int>(std::lround(x)), static_cast<int>(top), width, height);
    const double shown = std::clamp(openness_, 0.0, 1.0);
    auto* arrival = static_cast<ArrivalEffect*>(content_->graphicsEffect());
    arrival->setState(shown, lerp(openingScale, 1, shown), 0);
    // Effects inside effects draw nothing: the arrival stands aside once the island is open.
    arrival->setEnabled(!arrival->resting());
    content_->setVisible(expanded_ || shown > 0.01);
    // The open content never spills out of the shape while it grows or shrinks.
    if (content_->isVisible())
        content_->setMask(QRegion(outline().translated(-content_->pos()).toFillPolygon().toPolygon()));
    Q_EMIT shapeChanged();
}

void IslandView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    layoutContent();
}

void IslandView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPainterPath shape = outline();
    const double shadow = 0.45 * std::clamp(openness_, 0.0, 1.0);
    if (shadow > 0) {
        // A soft shadow of radius 18, 8 below: rings fading outwards.
        painter.setPen(Qt::NoPen);
        for (int i = 6; i >= 1; --i) {
            const double grow = 3.0 * i;
            QPainterPath ring;
            const QRectF r = islandRect().adjusted(-grow, -grow + 8, grow, grow + 8);
            ring.addRoundedRect(r, 28 + grow, 28 + grow);
            painter.fillPath(ring, QColor::fromRgbF(0, 0, 0, static_cast<float>(shadow / 9 * (7 - i) / 6)));
        }
    }
    painter.fillPath(shape, Qt::black);
    if (!notched_)
        painter.strokePath(shape, QPen(white(0.10), 1, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin));
}

void IslandView::enterEvent(QEnterEvent* event) {
    QWidget::enterEvent(event);
    model_->setHovering(true);
}

void IslandView::leaveEvent(QEvent* event) {
    QWidget::leaveEvent(event);
    model_->setHovering(false);
}

bool IslandView::eventFilter(QObject* watched, QEvent* event) {
    if (!watched->isWidgetType())
        return QWidget::eventFilter(watched, event);
    const auto* widget = static_cast<QWidget*>(watched);
    // An island on its way out takes no clicks and no keys, its rows' buttons included (they act
    // on the store directly).
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
        if (widget->window() == window() && model_->state()->leaving())
            return true;
        break;
    default:
        break;
    }
    // A tap anywhere on the open content is a touch; the tapped control still handles it.
    if (event->type() == QEvent::MouseButtonPress && (widget == content_ || content_->isAncestorOf(widget)))
        model_->touch();
    return QWidget::eventFilter(watched, event);
}
