#include "views/dashboard/NoticeToast.h"

#include "platform/gui/Fonts.h"
#include "platform/gui/Palette.h"
#include "runtime/Observation.h"
#include "store/Store.h"
#include "views/kit/Animator.h"
#include "views/dashboard/NoticeTimer.h"
#include "views/kit/FadeEffect.h"
#include "views/kit/PlainLabel.h"
#include "views/kit/RoundedBox.h"
#include "views/kit/SoftShadow.h"
#include "views/kit/SymbolView.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QVariantAnimation>

#include <algorithm>

namespace {
constexpr int lift = 22;
constexpr int clearance = 8; // above the controls at the bottom edge
constexpr int travel = 30;   // how far below its place the capsule starts
constexpr int room = 16;     // around the capsule, for its shadow

} // namespace

NoticeToast::NoticeToast(Store& store, Clock& clock, QWidget* parent) : QWidget(parent), store_(store) {
    setAttribute(Qt::WA_TranslucentBackground);
    auto* outer = new QHBoxLayout(this);
    outer->setContentsMargins(room, room, room, room);
    auto* capsule = new RoundedBox(
        RoundedBox::capsule, [] { return Palette::current().material(); }, this,
        [] { return Palette::current().primary(0.08); });
    outer->addWidget(capsule);
    auto* row = new QHBoxLayout(capsule);
    row->setContentsMargins(16, 10, 16, 10);
    row->setSpacing(6);
    symbol_ = new SymbolView(QStringLiteral("trash"), 13, Palette::Tint::primary, 16, capsule);
    row->addWidget(symbol_);
    text_ = new PlainLabel(QString(), Fonts::system(13, QFont::Medium), Palette::Tint::primary, false, capsule);
    row->addWidget(text_);
    // The toast paints the capsule's shadow around it and fades as a whole.
    fade_ = new FadeEffect(this);
    fade_->setOpacity(0);
    setGraphicsEffect(fade_);
    hide();
    timer_ = new NoticeTimer(store_, clock, this);
    new Observer(
        this, [this] { (void)store_.notice(); }, [this] { follow(); });
    follow();
}

QString NoticeToast::text() const { return text_->text(); }

void NoticeToast::follow() {
    const auto& notice = store_.notice();
    if (notice) {
        // The text is shown verbatim, never looked up.
        text_->setText(*notice);
        symbol_->setSymbol(store_.noticeSymbol(), Palette::Tint::primary);
        adjustSize();
        place();
        show();
        raise();
        slide(1);
    } else {
        slide(0);
    }
}

void NoticeToast::slide(double to) {
    if (to == target_ && (sliding_ || shown_ == to))
        return;
    target_ = to;
    if (sliding_)
        sliding_->stop();
    sliding_ = Animator::standard(this, shown_, to, [this](double v) {
        shown_ = v;
        if (fade_)
            fade_->setOpacity(std::clamp(v, 0.0, 1.0));
        place();
        if (v == 0 && target_ == 0)
            hide();
    });
}

void NoticeToast::place() {
    if (!parentWidget())
        return;
    const QSize size = sizeHint();
    QWidget* parent = parentWidget();
    int above = lift;
    for (const QWidget* control : below_)
        if (control && control->isVisibleTo(parent))
            above = std::max(above, parent->height() - control->mapTo(parent, QPoint(0, 0)).y() + clearance);
    const int y = parentWidget()->height() - above - size.height() + room + static_cast<int>((1 - shown_) * travel);
    setGeometry((parentWidget()->width() - size.width()) / 2, y, size.width(), size.height());
}

void NoticeToast::keepAbove(QWidget* control) {
    below_.append(control);
    control->installEventFilter(this);
}

bool NoticeToast::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::Move:
    case QEvent::Resize:
    case QEvent::Show:
    case QEvent::Hide:
        if (isVisible())
            place();
        break;
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}

void NoticeToast::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF capsule = QRectF(rect()).adjusted(room, room, -room, -room);
    SoftShadow::paint(painter, capsule, capsule.height() / 2, QColor(0, 0, 0, 38), 12, QPointF(0, 4));
}
