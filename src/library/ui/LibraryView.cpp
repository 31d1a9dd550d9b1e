#include "library/ui/LibraryView.h"

#include "account/ui/SignInScreen.h"
#include "library/LibraryBadges.h"
#include "library/LibraryScreenModel.h"
#include "library/ui/AccountMenu.h"
#include "library/ui/LibraryActionBar.h"
#include "library/ui/LibraryList.h"
#include "library/ui/LibraryTabPicker.h"
#include "library/ui/MacPicker.h"
#include "platform/gui/Fonts.h"
#include "platform/gui/Palette.h"
#include "runtime/Clock.h"
#include "runtime/Spawn.h"
#include "views/cards/SearchModel.h"
#include "views/kit/ButtonStyle.h"
#include "views/kit/ContentUnavailable.h"
#include "views/kit/OnAppearance.h"
#include "views/kit/PlainLabel.h"
#include "views/kit/SymbolView.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QPushButton>
#include <QStackedLayout>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

LibraryView::LibraryView(Store& store, Clock& clock, QWidget* parent) : QWidget(parent), store_(store), clock_(clock) {
    modes_ = new QStackedLayout(this);

    unavailable_ = new ContentUnavailable(this);
    unavailable_->set(u"icloud.slash"_s, tr("Library isn't set up in this build"),
                      tr("This copy of Quenlark was built without its Firebase settings."));
    modes_->addWidget(unavailable_);

    signIn_ = new SignInScreen(store_, this);
    modes_->addWidget(signIn_);

    signedIn_ = new QWidget(this);
    auto* stack = new QVBoxLayout(signedIn_);
    stack->setContentsMargins(0, 0, 0, 0);
    stack->setSpacing(12);

    auto* header = new QHBoxLayout;
    header->setSpacing(10);
    tabs_ = new LibraryTabPicker(store_, signedIn_);
    header->addWidget(tabs_);
    macs_ = new MacPicker(
        clock_, [this](std::optional<QString> device) { setDevice(std::move(device)); }, signedIn_);
    header->addWidget(macs_);
    header->addStretch(1);
    account_ = new AccountMenu(store_, clock_, signedIn_);
    header->addWidget(account_);
    stack->addLayout(header);

    errorLine_ = new QWidget(signedIn_);
    auto* errorRow = new QHBoxLayout(errorLine_);
    errorRow->setContentsMargins(0, 0, 0, 0);
    errorRow->setSpacing(6);
    errorRow->addWidget(new SymbolView(u"exclamationmark.icloud"_s, 14, Palette::Tint::orange, 18, errorLine_));
    error_ = new PlainLabel(QString(), Fonts::font(Fonts::Role::callout), Palette::Tint::orange, true, errorLine_);
    errorRow->addWidget(error_, 1);
    tryAgain_ = new QPushButton(tr("Try Again"), errorLine_);
    tryAgain_->setAccessibleName(tryAgain_->text());
    OnAppearance::styleSheet(tryAgain_, ButtonStyle::bordered);
    connect(tryAgain_, &QPushButton::clicked, this, [this] { spawn(store_.syncLibrary(), "Try Again"); });
    errorRow->addWidget(tryAgain_);
    errorLine_->hide();
    stack->addWidget(errorLine_);

    listArea_ = new QWidget(signedIn_);
    listArea_->installEventFilter(this);
    list_ = new LibraryList(store_, listArea_);
    empty_ = new ContentUnavailable(listArea_);
    empty_->hide();
    bar_ = new LibraryActionBar(store_, listArea_);
    stack->addWidget(listArea_, 1);
    modes_->addWidget(signedIn_);

    follow();
}

LibraryView::~LibraryView() { Observation::cancel(tracking_); }

void LibraryView::setDevice(std::optional<QString> device) {
    if (device == device_)
        return;
    device_ = std::move(device);
    flush();
}

void LibraryView::flush() {
    Observation::cancel(tracking_);
    follow();
}

void LibraryView::follow() {
    // Out of sight it follows nothing; coming back on screen reads the store afresh.
    if (!isVisible())
        return;
    tracking_ = track(
        [this] {
            Snapshot s;
            if (!store_.cloud())
                s.mode = Mode::unavailable;
            else if (!store_.session())
                s.mode = Mode::signedOut;
            else
                s.mode = Mode::signedIn;
            if (s.mode == Mode::signedIn) {
                s.rows = LibraryScreenModel::rows(store_, device_);
                // Read here, so that what the header and the bar show is followed too.
                (void)LibraryBadges::of(store_);
                s.bar = LibraryScreenModel::actionBar(store_, s.rows);
                (void)store_.devices();
                (void)store_.syncing();
                (void)store_.syncError();
                (void)store_.query();
            }
            now_ = std::move(s);
        },
        [this] { follow(); }, this);
    apply();
}

void LibraryView::apply() {
    switch (now_.mode) {
    case Mode::unavailable:
        modes_->setCurrentWidget(unavailable_);
        break;
    case Mode::signedOut:
        modes_->setCurrentWidget(signIn_);
        break;
    case Mode::signedIn:
        modes_->setCurrentWidget(signedIn_);
        break;
    }
    if (now_.mode != Mode::signedIn) {
        syncStarted_ = false;
        return;
    }
    // Each time the signed-in layout comes on screen it asks for a fresh library.
    if (isVisible() && !syncStarted_) {
        syncStarted_ = true;
        spawn(store_.syncLibrary(), "library shown");
    }

    const QString here = store_.deviceID();
    const LibraryBadges& badges = LibraryBadges::of(store_);
    QHash<LibraryTab, int> counts;
    for (LibraryTab tab : LibraryTabs::all())
        counts.insert(tab, badges[tab]);
    tabs_->show(counts, store_.libraryTab());
    macs_->show(store_.devices(), here, LibraryScreenModel::pickerTitle(store_.devices(), device_, clock_.now()));
    account_->refresh();

    const auto& error = store_.syncError();
    errorLine_->setVisible(error.has_value());
    if (error)
        error_->setText(*error);
    tryAgain_->setEnabled(!store_.syncing());

    list_->setRows(now_.rows, store_.devices(), here);
    if (now_.rows.isEmpty()) {
        const auto empty = LibraryScreenModel::empty(store_, device_);
        if (empty.noMatches)
            empty_->set(SearchModel::noMatchesSymbol(), SearchModel::noMatchesTitle(store_.query()),
                        SearchModel::noMatchesDescription());
        else
            empty_->set(empty.symbol, empty.title, empty.description);
        empty_->show();
        empty_->raise();
    } else {
        empty_->hide();
    }
    bar_->setBar(now_.bar);
    place();
}

void LibraryView::place() {
    const QRect area = listArea_->rect();
    list_->setGeometry(area);
    empty_->setGeometry(area);
    const QSize bar = bar_->sizeHint();
    const int width = std::min(area.width(), std::max(bar.width(), std::min(area.width(), 560)));
    // 10 below the capsule; the shadow's margin is part of the bar's own size.
    const int bottom = area.bottom() - 10 + LibraryActionBar::shadowMargin;
    bar_->setGeometry(area.left() + (area.width() - width) / 2, bottom - bar.height() + 1, width, bar.height());
    bar_->raise();
}

bool LibraryView::eventFilter(QObject* watched, QEvent* event) {
    if (watched == listArea_ && event->type() == QEvent::Resize)
        place();
    return QWidget::eventFilter(watched, event);
}

void LibraryView::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    flush();
}

void LibraryView::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    Observation::cancel(tracking_);
    syncStarted_ = false;
}
