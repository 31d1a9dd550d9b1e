#include "views/MainView.h"

#include "platform/gui/Fonts.h"
#include "platform/gui/Palette.h"
#include "runtime/Observation.h"
#include "store/Store.h"
#include "views/CardList.h"
#include "views/PlainLabel.h"
#include "views/SymbolView.h"
#include "views/UninstallPrompt.h"

#include <QGraphicsDropShadowEffect>
#include <QHBoxLayout>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>

namespace {
constexpr int columnWidth = 1200;
constexpr int toastLift = 22;
constexpr int sidePadding = 24;

// The notice's capsule: the regular material with a faint edge.
class Capsule : public QWidget {
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const Palette& palette = Palette::current();
        const QRectF box = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
        const double radius = box.height() / 2;
        painter.setPen(QPen(palette.primary(0.08), 1));
        painter.setBrush(palette.material());
        painter.drawRoundedRect(box, radius, radius);
    }
};
} // namespace

MainView::MainView(Store& store, QWidget* parent) : QWidget(parent), store_(store) {
    // The column: at most 1200 wide and centred, 24 at the sides, 6 at the top, none below.
    column_ = new QHBoxLayout(this);
    column_->setContentsMargins(sidePadding, 6, sidePadding, 0);
    column_->setSpacing(0);
    list_ = new CardList(store_, this);
    column_->addWidget(list_);

    uninstall_ = new UninstallLayer(store_, this);

    toast_ = new Capsule(this);
    auto* toastRow = new QHBoxLayout(toast_);
    toastRow->setContentsMargins(16, 10, 16, 10);
    toastRow->setSpacing(6);
    const QFont font = Fonts::system(13, QFont::Medium);
    toastRow->addWidget(new SymbolView(QStringLiteral("trash"), 13, Palette::current().text(), 16, toast_));
    toastText_ = new PlainLabel(QString(), font, Palette::current().text(), false, toast_);
    toastRow->addWidget(toastText_);
    auto* shadow = new QGraphicsDropShadowEffect(toast_);
    shadow->setColor(QColor(0, 0, 0, 38));
    shadow->setBlurRadius(24);
    shadow->setOffset(0, 4);
    toast_->setGraphicsEffect(shadow);
    toast_->hide();

    new Observer(this, [this] { (void)store_.notice(); }, [this] { showNotice(); });
    showNotice();
}

void MainView::showNotice() {
    const auto& notice = store_.notice();
    if (!notice) {
        toast_->hide();
        return;
    }
    toastText_->setText(*notice);
    placeToast();
    toast_->show();
    toast_->raise();
}

void MainView::placeToast() {
    toast_->adjustSize();
    const QSize size = toast_->sizeHint();
    toast_->setGeometry((width() - size.width()) / 2, height() - toastLift - size.height(), size.width(),
                        size.height());
}

void MainView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    // A wider window centres the capped column; the padding lies inside the cap.
    const int side = std::max(sidePadding, (width() - columnWidth) / 2 + sidePadding);
    column_->setContentsMargins(side, 6, side, 0);
    placeToast();
}

void MainView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), Palette::current().window());
}
