#include "views/MainView.h"

#include "onboarding/ui/TourOverlay.h"
#include "library/ui/LibraryActionBar.h"
#include "library/ui/LibraryPromptLayer.h"
#include "library/ui/LibraryView.h"
#include "runtime/Observation.h"
#include "views/kit/FrameObserver.h"
#include "store/Store.h"
#include "views/kit/Animator.h"
#include "views/dashboard/AccountCards.h"
#include "views/dashboard/Backdrop.h"
#include "views/cards/CardList.h"
#include "views/dashboard/ControlsRow.h"
#include "views/dashboard/DashboardModel.h"
#include "views/dashboard/FilterChips.h"
#include "views/dashboard/Hero.h"
#include "views/dashboard/HeroButton.h"
#include "views/dashboard/NoticeToast.h"
#include "views/dashboard/PermissionBanner.h"
#include "views/dashboard/PermissionPills.h"
#include "views/dashboard/SearchField.h"
#include "views/kit/SoftShadow.h"
#include "views/kit/TourAnchors.h"
#include "views/uninstall/UninstallPrompt.h"

#include <QPainter>
#include <QVBoxLayout>

#include <algorithm>

namespace {
constexpr int columnWidth = 1200;
constexpr int sidePadding = 24;
constexpr int topPadding = 6;

// The dashboard's column, which paints the overview card's shadow under it.
class Column : public QWidget {
public:
    using QWidget::QWidget;
    QPointer<QWidget> hero;

protected:
    void paintEvent(QPaintEvent*) override {
        if (!hero)
            return;
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        SoftShadow::paint(painter, QRectF(hero->geometry()), Hero::radius, QColor(0, 0, 0, 18), 14, QPointF(0, 4));
    }
};
} // namespace

MainView::MainView(Store& store, Prefs& prefs, Clock& clock, QWidget* parent) : QWidget(parent), store_(store) {
    backdrop_ = new Backdrop(store_, this);

    auto* column = new Column(this);
    column_ = column;
    auto* stack = new QVBoxLayout(column_);
    stack->setContentsMargins(0, 0, 0, 0);
    stack->setSpacing(16);
    hero_ = new Hero(store_, clock, column_);
    column->hero = hero_;
    chips_ = new FilterChips(store_);
    search_ = new SearchField(store_);
    pills_ = new PermissionPills(store_, prefs);
    banner_ = new PermissionBanner(store_, column_);
    banner_->hide();
    list_ = new CardList(store_, column_);
    stack->addWidget(hero_);
    stack->addWidget(new ControlsRow(chips_, search_, pills_, column_));
    stack->addWidget(banner_);
    stack->addWidget(new AccountCards(store_, prefs, column_));
    stack->addWidget(list_, 1);
    library_ = new LibraryView(store_, clock, column_);
    library_->hide();
    stack->addWidget(library_, 1);

    anchors_ = new TourAnchors(this);
    TourAnchors::mark(hero_, QStringLiteral("hero"));
    const int room = HeroButton::shadowRoom;
    TourAnchors::mark(hero_->updateAllButton(), QStringLiteral("updateAll"), QMargins(room, room, room, room));
    TourAnchors::mark(chips_, QStringLiteral("chips"));
    TourAnchors::mark(pills_, QStringLiteral("permissions"));
    // Made before the prompts and the toast, so that they come above the tour.
    tour_ = new TourOverlay(store_, prefs, *anchors_, this);

    uninstall_ = new UninstallLayer(store_, this);
    libraryPrompt_ = new LibraryPromptLayer(store_, this);
    toast_ = new NoticeToast(store_, clock, this);
    toast_->keepAbove(library_->actionBar());

    new FrameObserver(
        this, [this] { (void)DashboardModel::showsPermissionBanner(store_); }, [this] { showBanner(); });
    new Observer(
        this, [this] { (void)DashboardModel::showsLibrary(store_); }, [this] { showLibrary(); });
    // The notice floats above the uninstall prompt, which is made afresh for each row.
    new Observer(
        this, [this] { (void)store_.removing(); }, [this] { toast_->raise(); });
    showBanner();
    showLibrary();
}

void MainView::showLibrary() {
    const bool wanted = DashboardModel::showsLibrary(store_);
    if (wanted == libraryShown_)
        return;
    libraryShown_ = wanted;
    list_->setVisible(!wanted);
    if (wanted) {
        // Each visit starts with any Mac, as a screen made afresh would.
        library_->setDevice(std::nullopt);
        Animator::fade(library_, true, [this] { return libraryShown_; });
    } else {
        library_->hide();
    }
}

void MainView::showBanner() {
    const bool wanted = DashboardModel::showsPermissionBanner(store_);
    if (wanted == bannerShown_)
        return;
    bannerShown_ = wanted;
    Animator::fade(banner_, wanted, [this] { return bannerShown_; });
}

void MainView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    backdrop_->setGeometry(rect());
    // At most 1200 wide and centred, with 24 inside it at the sides; 6 at the top, nothing
    // below: the list runs to the window's edge.
    const int frame = std::min(width(), columnWidth);
    column_->setGeometry((width() - frame) / 2 + sidePadding, topPadding, frame - 2 * sidePadding,
                         height() - topPadding);
    toast_->place();
    tour_->setGeometry(rect());
}
