#include "account/ui/ModeSwitch.h"

#include "platform/gui/Fonts.h"
#include "platform/gui/Palette.h"
#include "views/kit/Animator.h"

#include <QAbstractButton>
#include <QHBoxLayout>
#include <QPainter>
#include <QPainterPath>

namespace {

constexpr double pad = 3;
constexpr double spacing = 2;

// One segment: its title only; the switch draws the highlight under it.
class Segment : public QAbstractButton {
public:
    Segment(const QString& title, QWidget* parent) : QAbstractButton(parent) {
        setText(title);
        setAccessibleName(title);
        setCheckable(true);
        setFocusPolicy(Qt::NoFocus);
        setMinimumHeight(28);
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    }
    QSize sizeHint() const override { return QSize(QFontMetrics(font()).horizontalAdvance(text()) + 24, 28); }
    void setActive(bool active) {
        setChecked(active); // reads as the selected segment
        setFont(Fonts::system(12.5, active ? QFont::DemiBold : QFont::Medium));
        update();
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setPen(Palette::current().text());
        painter.drawText(rect(), Qt::AlignCenter, text());
    }
    // A click on the active segment keeps it active.
    void nextCheckState() override {}
};

} // namespace

ModeSwitch::ModeSwitch(QWidget* parent) : QWidget(parent) {
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(int(pad), int(pad), int(pad), int(pad));
    row->setSpacing(int(spacing));
    auto* signIn = new Segment(tr("Sign In"), this);
    auto* create = new Segment(tr("Create Account"), this);
    signIn_ = signIn;
    create_ = create;
    row->addWidget(signIn, 1);
    row->addWidget(create, 1);
    signIn->setActive(true);
    create->setActive(false);
    slide_ = new SpringValue(this, 0, [this](double) { update(); });
    connect(signIn, &QAbstractButton::clicked, this, [this] { Q_EMIT chosen(false); });
    connect(create, &QAbstractButton::clicked, this, [this] { Q_EMIT chosen(true); });
}

void ModeSwitch::setCreating(bool creating) {
    static_cast<Segment*>(signIn_)->setActive(!creating);
    static_cast<Segment*>(create_)->setActive(creating);
    slide_->setTarget(creating ? 1 : 0);
}

void ModeSwitch::paintEvent(QPaintEvent*) {
    const Palette& palette = Palette::current();
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF whole(rect());
    QPainterPath capsule;
    capsule.addRoundedRect(whole, whole.height() / 2, whole.height() / 2);
    painter.fillPath(capsule, palette.primary(0.07));

    // The highlight moves between the two segments' frames.
    const QRectF from = signIn_->geometry();
    const QRectF to = create_->geometry();
    const double t = slide_->value();
    const QRectF at(from.x() + (to.x() - from.x()) * t, from.y(), from.width() + (to.width() - from.width()) * t,
                    from.height());
    const double radius = at.height() / 2;
    for (int ring = 3; ring >= 1; --ring) { // the soft shadow, one point down
        QPainterPath shade;
        shade.addRoundedRect(at.translated(0, 1).adjusted(-ring * 0.5, -ring * 0.5, ring * 0.5, ring * 0.5),
                             radius + ring * 0.5, radius + ring * 0.5);
        painter.fillPath(shade, QColor::fromRgbF(0, 0, 0, 0.04f));
    }
    QPainterPath highlight;
    highlight.addRoundedRect(at, radius, radius);
    painter.fillPath(highlight, palette.controlBackground());
}
