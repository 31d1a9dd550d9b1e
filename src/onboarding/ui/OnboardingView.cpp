#include "onboarding/ui/OnboardingView.h"

#include "model/Motion.h"
#include "onboarding/Onboarding.h"
#include "onboarding/OnboardingModel.h"
#include "onboarding/SetupPageModel.h"
#include "onboarding/ui/CloseDot.h"
#include "onboarding/ui/GhostButton.h"
#include "onboarding/ui/GradientButton.h"
#include "onboarding/ui/HeroPage.h"
#include "onboarding/ui/NotchPage.h"
#include "onboarding/ui/SafetyPage.h"
#include "onboarding/ui/SetupPage.h"
#include "onboarding/ui/SourcesPage.h"
#include "onboarding/ui/WelcomeColors.h"
#include "runtime/Observation.h"
#include "runtime/Spawn.h"
#include "store/Store.h"
#include "views/kit/Animator.h"
#include "views/kit/FadeEffect.h"

#include <QGraphicsOpacityEffect>
#include <QKeyEvent>
#include <QLayout>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QRadialGradient>
#include <QWindow>

namespace {
constexpr int windowWidth = 780, windowHeight = 580;
// Below pages 0 to 3: the dots and the Back / Continue row.
constexpr int footerHeight = 104;
constexpr int footerBottom = 30, dotsHeight = 7, rowGap = 16, buttonsHeight = 46;
// The primary button's widget carries room for its shadow on every side.
constexpr int shadowRoom = 14;
} // namespace

// One dot per page; the current one is wide and bright, and a change of page eases the widths
// and brightness across over 0.25 s. A click goes to its page.
class OnboardingView::Dots : public QWidget {
public:
    explicit Dots(OnboardingModel& model, QWidget* parent) : QWidget(parent), model_(model), from_(model.page()) {
        setFixedSize(OnboardingModel::pages * 7 + (OnboardingModel::pages - 1) * 7 + 13, dotsHeight);
        setCursor(Qt::PointingHandCursor);
        // Unpainted buttons over the dots tell assistive technology which page each one is.
        for (int i = 0; i < OnboardingModel::pages; ++i) {
            auto* button = new QPushButton(this);
            button->setFlat(true);
            button->setCheckable(true);
            button->setFocusPolicy(Qt::NoFocus);
            button->setStyleSheet(QStringLiteral("QPushButton { background: transparent; border: none; }"));
            button->setAccessibleName(tr("Page %1 of %2").arg(i + 1).arg(OnboardingModel::pages));
            connect(button, &QPushButton::clicked, this, [this, i] {
                marks_[i]->setChecked(i == model_.page());
                model_.go(i);
            });
            marks_.append(button);
        }
        new Observer(
            this, [this] { (void)model_.page(); }, [this] { moved(); });
        placeMarks();
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        for (const auto& [index, box] : boxes()) {
            QPainterPath dot;
            dot.addRoundedRect(box, 3.5, 3.5);
            p.fillPath(dot, WelcomeColors::white(0.28 + 0.72 * weight(index)));
        }
    }

private:
    void placeMarks() {
        for (const auto& [index, box] : boxes()) {
            marks_[index]->setGeometry(box.adjusted(-3, 0, 3, 0).toAlignedRect());
            marks_[index]->setChecked(index == model_.page());
        }
    }
    void moved() {
        if (model_.page() == to_)
            return;
        // From wherever the dots are now, so a quick second change does not jump.
        QList<double> now;
        for (int i = 0; i < OnboardingModel::pages; ++i)
            now.append(weight(i));
        start_ = now;
        to_ = model_.page();
        t_ = 0;
        Animator::timed(this, 0.25, QEasingCurve::OutQuad, 0, 1, [this](double t) {
            t_ = t;
            placeMarks();
            update();
        });
    }
    // 1 for the current page's dot, 0 for the others, between while easing.
    double weight(int index) const {
        const double start = start_.isEmpty() ? (index == from_ ? 1 : 0) : start_[index];
        return start + ((index == to_ ? 1 : 0) - start) * t_;
    }
    QList<std::pair<int, QRectF>> boxes() const {
        QList<std::pair<int, QRectF>> list;
        double x = 0;
        for (int i = 0; i < OnboardingModel::pages; ++i) {
            const double w = 7 + 13 * weight(i);
            list.append({i, QRectF(x, 0, w, dotsHeight)});
            x += w + 7;
        }
        return list;
    }
    OnboardingModel& model_;
    int from_;
    int to_ = from_;
    double t_ = 1;
    QList<double> start_;
    QList<QPushButton*> marks_;
};

OnboardingView::OnboardingView(Environment environment, QWidget* parent) : QWidget(parent), e_(std::move(environment)) {
    setFixedSize(windowWidth, windowHeight);
    setFocusPolicy(Qt::StrongFocus);
    skip_ = new GhostButton(tr("Skip"), this);
    skip_->setToolTip(tr("Skip the introduction (Esc)"));
    skip_->setShortcut(Qt::Key_Escape);
    dots_ = new Dots(*e_.model, this);
    auto* close = new CloseDot(this);
    close_ = close;
    // Only hides it, as the desktop's own close would: the welcome is not finished.
    connect(close, &QAbstractButton::clicked, this, [this] { window()->close(); });
    back_ = GhostButton::symbol(QStringLiteral("chevron.left"), tr("Back"), this);
    primary_ = new GradientButton(QString(), this);
    primary_->setShortcut(Qt::Key_Return);
    Onboarding* onboarding = e_.onboarding;
    OnboardingModel* model = e_.model;
    connect(skip_, &QAbstractButton::clicked, this, [onboarding] { onboarding->finish(false); });
    connect(back_, &QAbstractButton::clicked, this, [model] { model->go(model->page() - 1); });
    connect(primary_, &QAbstractButton::clicked, this, [model] { model->go(model->page() + 1); });
    new Observer(
        this, [model] { (void)model->page(); }, [this] { showPage(); });
    showPage();
}

bool OnboardingView::event(QEvent* event) {
    // A page without a layout of ours to tell asks here when what it needs changes.
    if (event->type() == QEvent::LayoutRequest)
        fit();
    return QWidget::event(event);
}

void OnboardingView::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), WelcomeColors::ink());
    QRadialGradient top(QPointF(width(), 0), 520, QPointF(width(), 0), 10);
    QColor blue = WelcomeColors::blue();
    blue.setAlphaF(0.28f);
    top.setColorAt(0, blue);
    top.setColorAt(1, Qt::transparent);
    p.fillRect(rect(), top);
    QRadialGradient bottom(QPointF(0, height()), 460, QPointF(0, height()), 10);
    QColor teal = WelcomeColors::teal();
    teal.setAlphaF(0.16f);
    bottom.setColorAt(0, teal);
    bottom.setColorAt(1, Qt::transparent);
    p.fillRect(rect(), bottom);
}

void OnboardingView::keyPressEvent(QKeyEvent* event) {
    // Both arrows count as handled, even where there is no page to go to.
    if (event->key() == Qt::Key_Right) {
        e_.model->go(e_.model->page() + 1);
        return;
    }
    if (event->key() == Qt::Key_Left) {
        e_.model->go(e_.model->page() - 1);
        return;
    }
    QWidget::keyPressEvent(event);
}

void OnboardingView::mousePressEvent(QMouseEvent* event) {
    // Anywhere no control takes the press, the window moves with the pointer.
    if (event->button() == Qt::LeftButton && window()->windowHandle() && window()->windowHandle()->startSystemMove()) {
        event->accept();
        return;
    }
    QWidget::mousePressEvent(event);
}

void OnboardingView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    place();
}

QWidget* OnboardingView::makePage(int index) {
    switch (index) {
    case 0:
        return new HeroPage(*e_.store, this);
    case 1:
        return new SourcesPage(this);
    case 2:
        return new SafetyPage(this);
    case 3:
        return new NotchPage(this);
    default:
        break;
    }
    SetupPageModel::Environment page;
    page.setup = e_.setup;
    page.prefs = e_.prefs;
    page.store = e_.store;
    page.welcome = e_.model;
    page.onboarding = e_.onboarding;
    page.sandbox = e_.sandbox;
    OnboardingModel* model = e_.model;
    Onboarding* onboarding = e_.onboarding;
    SetupPage::Actions actions;
    actions.back = [model] { model->go(model->page() - 1); };
    actions.finish = [onboarding](bool tour) { onboarding->finish(tour); };
    actions.openPermissionSettings = e_.openPermissionSettings;
    // The permission row shows the state as it is now.
    spawn(e_.store->refreshPermissions(), "permission refresh");
    return new SetupPage(std::make_unique<SetupPageModel>(std::move(page)), std::move(actions), this);
}

void OnboardingView::showPage() {
    const int index = e_.model->page();
    if (index == shownPage_)
        return;
    const bool first = shownPage_ < 0;
    shownPage_ = index;
    const bool intro = index < OnboardingModel::pages - 1;
    skip_->setVisible(intro);
    back_->setVisible(intro && index > 0);
    primary_->setVisible(intro);
    primary_->setText(index == 0 ? tr("Show me") : tr("Continue"));

    QPointer<QWidget> old = page_;
    page_ = makePage(index);
    fit();
    place();
    page_->show();
    page_->lower();
    setFocus();
    if (first || Motion::instant()) {
        if (old)
            old->deleteLater();
        return;
    }
    // The new page slides in from the side it comes from while the old one leaves to the other;
    // reduced motion only cross-fades.
    const double shift = Motion::reduced() ? 0 : (e_.model->forward() ? 60 : -60);
    const Motion::Animation animation = OnboardingModel::animation();
    auto* entering = new FadeEffect(page_);
    page_->setGraphicsEffect(entering);
    QGraphicsOpacityEffect* leaving = nullptr;
    if (old) {
        leaving = new FadeEffect(old);
        old->setGraphicsEffect(leaving);
    }
    QPointer<QWidget> incoming = page_;
    QPointer<QGraphicsOpacityEffect> in(entering), out(leaving);
    const QPoint home = page_->pos();
    const auto apply = [incoming, old, in, out, home, shift](double t) {
        if (incoming && in) {
            in->setOpacity(std::clamp(t, 0.0, 1.0));
            incoming->move(home + QPoint(int(std::lround((1 - t) * shift)), 0));
        }
        if (old && out) {
            out->setOpacity(std::clamp(1 - t, 0.0, 1.0));
            old->move(home - QPoint(int(std::lround(t * shift)), 0));
        }
        if (t == 1) {
            // Only its own: a quicker next change may already be fading this page out.
            if (incoming && in && incoming->graphicsEffect() == in)
                incoming->setGraphicsEffect(nullptr);
            if (old)
                old->deleteLater();
        }
    };
    if (animation.kind == Motion::Animation::Kind::spring)
        Animator::spring(this, animation.response, animation.dampingFraction, 0, 1, apply);
    else
        Animator::timed(this, animation.duration, QEasingCurve::InOutQuad, 0, 1, apply);
}

void OnboardingView::place() {
    const bool intro = shownPage_ < OnboardingModel::pages - 1;
    if (page_)
        page_->setGeometry(0, 0, width(), height() - (intro ? footerHeight : 0));
    skip_->adjustSize();
    skip_->move(width() - 18 - skip_->width(), 14);
    const int dotsTop = height() - footerBottom - (intro ? buttonsHeight + rowGap : 0) - dotsHeight;
    dots_->move((width() - dots_->width()) / 2, dotsTop);
    if (intro) {
        const QSize button = primary_->sizeHint();
        const QSize backSize = back_->sizeHint();
        const int gap = 12;
        const int visible = button.width() - 2 * shadowRoom;
        const int total = (!back_->isHidden() ? backSize.width() + gap : 0) + visible;
        int x = (width() - total) / 2;
        const int rowTop = dotsTop + dotsHeight + rowGap;
        if (!back_->isHidden()) {
            back_->setGeometry(x, rowTop + (buttonsHeight - backSize.height()) / 2, backSize.width(),
                               backSize.height());
            x += backSize.width() + gap;
        }
        primary_->setGeometry(x - shadowRoom, rowTop - shadowRoom, button.width(), button.height());
    }
    close_->move(18, 14 + (skip_->height() - close_->height()) / 2);
    skip_->raise();
    close_->raise();
    dots_->raise();
    back_->raise();
    primary_->raise();
}

// Fonts wider than the design's can wrap a page onto more lines than 580 holds (the setup page's
// rows with the Move row): the window grows to the page rather than squeezing its rows, and keeps
// that height, so paging back and forth does not make it jump.
void OnboardingView::fit() {
    QLayout* layout = page_ ? page_->layout() : nullptr;
    if (!layout)
        return;
    const bool intro = shownPage_ < OnboardingModel::pages - 1;
    const int need = (layout->hasHeightForWidth() ? layout->totalMinimumHeightForWidth(width())
                                                  : layout->totalMinimumSize().height()) +
                     (intro ? footerHeight : 0);
    if (need > height())
        setFixedHeight(need);
}
