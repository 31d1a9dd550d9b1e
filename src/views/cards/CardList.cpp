#include "views/cards/CardList.h"

#include "model/AppItem.h"
#include "platform/gui/Fonts.h"
#include "platform/gui/Palette.h"
#include "runtime/MakeShared.h"
#include "store/Store.h"
#include "views/cards/AppCard.h"
#include "views/kit/ContentUnavailable.h"
#include "views/kit/OverlayScroller.h"
#include "views/kit/PlainLabel.h"
#include "views/cards/SearchModel.h"
#include "views/kit/SoftShadow.h"
#include "views/kit/TourAnchors.h"

#include <QImage>
#include <QKeyEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPointer>
#include <QScrollBar>
#include <QSpacerItem>
#include <QTimer>
#include <QVBoxLayout>

namespace {
// Cards beyond the view built per display frame: building a card and laying it out costs a few
// tenths of a millisecond, so a whole view's worth at once, on top of what the view itself needs
// (a regrouped list can need a view of new cards), would overrun the frame.
constexpr int buildsAhead = 3;

// The list's column, which paints each card's shadow under it. Cards sit from its top, so a
// taller column repaints only what it gains, not every card in view.
class Column : public QWidget {
public:
    Column() { setAttribute(Qt::WA_StaticContents); }

protected:
    void paintEvent(QPaintEvent* event) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        for (QObject* child : children()) {
            auto* card = qobject_cast<AppCard*>(child);
            if (!card || !card->isVisible() || !event->rect().intersects(card->geometry().adjusted(-16, -16, 16, 20)))
                continue;
            SoftShadow::paint(painter, QRectF(card->geometry()), AppCard::radius, card->shadowColour(),
                              card->shadowBlur(), card->shadowOffset());
        }
    }
};
} // namespace

CardList::CardList(Store& store, QWidget* parent) : QScrollArea(parent), store_(store) {
    setFrameShape(QFrame::NoFrame);
    setWidgetResizable(true);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setAutoFillBackground(false);
    content_ = new Column;
    content_->setAutoFillBackground(false);
    column_ = new QVBoxLayout(content_);
    column_->setContentsMargins(2, 0, 2, 24);
    column_->setSpacing(10);
    tail_ = new QSpacerItem(0, 0, QSizePolicy::Minimum, QSizePolicy::Expanding);
    column_->addItem(tail_);
    setWidget(content_);
    // Setting the widget fills its background; the backdrop shows through the list instead.
    content_->setAutoFillBackground(false);
    // A thin bar without arrows over the cards, as the platform's overlay scroller: a bar beside
    // them would narrow and widen every card in view as it comes and goes.
    new OverlayScroller(this);
    // Scrolling towards the unbuilt tail builds the next cards.
    connect(verticalScrollBar(), &QScrollBar::valueChanged, this, [this] {
        if (verticalScrollBar()->value() + 2 * viewport()->height() > content_->height() - tail_->geometry().height())
            apply();
    });

    // The empty state lies over the list, centred in it.
    empty_ = new ContentUnavailable(viewport());
    empty_->hide();

    more_ = new QTimer(this);
    more_->setSingleShot(true);
    more_->setInterval(FramePacer::frameMs);
    connect(more_, &QTimer::timeout, this, [this] { apply(); });

    follow();
}

CardList::~CardList() { Observation::cancel(tracking_); }

AppCard* CardList::card(const QString& id) const {
    AppCard* found = cards_.value(id);
    return found && found->isVisibleTo(content_) ? found : nullptr;
}

void CardList::flush() {
    Observation::cancel(tracking_);
    follow();
}

void CardList::follow() {
    // Only the reading is tracked: cards built while applying observe their own rows.
    pacer_.passing();
    tracking_ = track([this] { now_ = take(); }, [this] { pacer_.changed(); }, this);
    apply();
}

CardList::Snapshot CardList::take() const {
    Snapshot s;
    s.sections = CardListModel::sections(store_);
    s.selection = store_.selection();
    s.expanded = store_.expanded();
    s.empty = CardListModel::emptyState(store_, s.sections);
    s.query = store_.query();
    return s;
}

bool CardList::built(const std::shared_ptr<AppItem>& row) const {
    const QString id = row->id();
    return cards_.contains(id) && rows_.value(id).lock() == row;
}

AppCard* CardList::cardFor(const std::shared_ptr<AppItem>& row) {
    const QString id = row->id();
    AppCard* existing = cards_.value(id);
    if (existing && rows_.value(id).lock() == row)
        return existing;
    if (existing) {
        // A new row object for the same bundle: a fresh card follows it.
        order_.removeAll(existing);
        delete existing;
        reorder_ = true;
    }
    auto* made = new AppCard(
        row, &store_, [this, id] { toggle(id); }, content_);
    cards_.insert(id, made);
    rows_.insert(id, row);
    return made;
}

PlainLabel* CardList::headerFor(const QString& title) {
    if (PlainLabel* existing = headers_.value(title))
        return existing;
    auto* header =
        new PlainLabel(title.toUpper(), Fonts::system(12, QFont::DemiBold), Palette::Tint::secondary, false, content_);
    header->setContentsMargins(6, 8, 0, 0);
    header->setAccessibleName(title);
    headers_.insert(title, header);
    return header;
}

CardList::Reach CardList::reach(int total) const {
    // Now: what is scrolled past and the view, and always the selected and the open card, so
    // keys and scrolling can reach them. Ahead: one more view below it.
    const int row = std::max(1, rowHeight_);
    const int view = std::max(viewport()->height(), 600);
    int now = (verticalScrollBar()->value() + view) / row + 1;
    const int ahead = (verticalScrollBar()->value() + 2 * view) / row + 1;
    // With no row selected or open, no row needs finding: a pass never walks every row for it.
    if (now_.selection || now_.expanded) {
        int at = 0;
        for (const auto& section : std::as_const(now_.sections)) {
            at += section.title.isEmpty() ? 0 : 1;
            for (const auto& r : section.rows) {
                ++at;
                if (r->id() == now_.selection || r->id() == now_.expanded)
                    now = std::max(now, at);
            }
        }
    }
    return {std::min(now, total), std::min(std::max(now, ahead), total)};
}

void CardList::apply() {
    int total = 0;
    for (const auto& section : std::as_const(now_.sections))
        total += static_cast<int>(section.rows.size()) + (section.title.isEmpty() ? 0 : 1);
    const Reach limit = reach(total);

    // Only the entries near the view are built and laid out; the tail stands in for the rest.
    // Out of view, a few new cards are built per frame and the next frame builds more.
    QList<QWidget*> order;
    order.reserve(limit.ahead);
    int builds = 0;
    bool later = false;
    for (const auto& section : std::as_const(now_.sections)) {
        if (order.size() >= limit.ahead || later)
            break;
        if (!section.title.isEmpty())
            order.append(headerFor(section.title));
        for (const auto& row : section.rows) {
            if (order.size() >= limit.ahead)
                break;
            if (order.size() >= limit.now && !built(row)) {
                if (builds == buildsAhead) {
                    later = true;
                    break;
                }
                ++builds;
            }
            order.append(cardFor(row));
        }
    }
    if (later)
        more_->start();
    const QSet<QWidget*> listed(order.begin(), order.end());
    if (!measured_)
        for (QWidget* widget : std::as_const(order))
            if (qobject_cast<AppCard*>(widget)) {
                rowHeight_ = widget->sizeHint().height() + column_->spacing();
                measured_ = true;
                break;
            }
    const int rest = (total - static_cast<int>(order.size())) * std::max(1, rowHeight_);

    if (order != order_ || reorder_ || rest != tail_->sizeHint().height()) {
        // Showing a child lays out its parent at once while the layout is enabled: held off,
        // the column is laid out once for the whole change instead of once per card.
        column_->setEnabled(false);
        for (QWidget* old : std::as_const(order_))
            if (!listed.contains(old))
                old->hide();
        while (column_->count() > 1)
            delete column_->takeAt(0); // the widgets stay; only their places change
        for (int i = 0; i < order.size(); ++i) {
            column_->insertWidget(i, order[i]);
            order[i]->show();
        }
        // Never shrunk below the rows it stands for, so the bar spans the whole list; it still
        // fills the view below a short one.
        tail_->changeSize(0, rest, QSizePolicy::Minimum, QSizePolicy::MinimumExpanding);
        column_->setEnabled(true);
        column_->invalidate();
        order_ = order;
        reorder_ = false;
        // Laid out now, the next paint shows the cards at their places and full heights.
        settle();
    }

    // Cards of rows that are gone go; hidden ones wait to be listed again.
    for (auto it = cards_.begin(); it != cards_.end();) {
        if (!listed.contains(it.value()) && rows_.value(it.key()).expired()) {
            delete it.value();
            rows_.remove(it.key());
            it = cards_.erase(it);
        } else {
            ++it;
        }
    }

    // The first card of the list is the one the guided tour points at.
    const std::optional<QString> first = CardListModel::firstRow(now_.sections);
    TourAnchors::move(first ? card(*first) : nullptr, QStringLiteral("firstCard"));

    for (auto it = cards_.cbegin(); it != cards_.cend(); ++it) {
        it.value()->setSelected(now_.selection == it.key());
        it.value()->setExpanded(now_.expanded == it.key());
    }

    if (const auto& emptyState = now_.empty) {
        if (emptyState->noMatches)
            empty_->set(SearchModel::noMatchesSymbol(), SearchModel::noMatchesTitle(now_.query),
                        SearchModel::noMatchesDescription());
        else
            empty_->set(emptyState->symbol, emptyState->title, emptyState->description);
        empty_->setGeometry(viewport()->rect());
        empty_->show();
        empty_->raise();
    } else {
        empty_->hide();
    }

    const bool wasApplied = applied_;
    applied_ = true;
    if (now_.selection != shownSelection_) {
        shownSelection_ = now_.selection;
        if (now_.selection)
            if (AppCard* selected = card(*now_.selection)) {
                settle();
                ensureWidgetVisible(selected, 0, 0);
            }
    }
    if (now_.expanded != shownExpanded_) {
        shownExpanded_ = now_.expanded;
        // The opening card comes to the top once it has grown; the first state moves nothing.
        if (now_.expanded && wasApplied) {
            const QString id = *now_.expanded;
            QTimer::singleShot(50, this, [this, id] { scrollToTop(id); });
        }
    }
}

void CardList::settle() {
    // The scroll area resizes its content a turn later; scrolling needs the new height now.
    // Sized before it is laid out, the column never squeezes its cards for a moment.
    const int height =
        content_->hasHeightForWidth() ? content_->heightForWidth(content_->width()) : content_->sizeHint().height();
    content_->resize(content_->width(), std::max(height, viewport()->height()));
    content_->layout()->activate();
}

void CardList::scrollToTop(const QString& id) {
    if (AppCard* opened = card(id)) {
        settle();
        verticalScrollBar()->setValue(opened->y());
    }
}

void CardList::toggle(const QString& id) {
    setFocus();
    CardListModel::toggle(store_, id);
}

void CardList::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Down:
    case Qt::Key_Up:
        // Scrolling to the row follows when the list applies the new selection.
        CardListModel::move(store_, now_.sections, event->key() == Qt::Key_Down ? 1 : -1);
        event->accept();
        return;
    case Qt::Key_Space:
    case Qt::Key_Return:
    case Qt::Key_Enter:
        CardListModel::toggleSelected(store_);
        event->accept();
        return;
    case Qt::Key_Backspace:
        if (CardListModel::requestUninstall(store_, event->modifiers().testFlag(Qt::ControlModifier)))
            event->accept();
        else
            event->ignore();
        return;
    default:
        QScrollArea::keyPressEvent(event);
    }
}

void CardList::resizeEvent(QResizeEvent* event) {
    QScrollArea::resizeEvent(event);
    empty_->setGeometry(viewport()->rect());
}

void CardList::showEvent(QShowEvent* event) {
    QScrollArea::showEvent(event);
    setFocus();
    if (!warmed_) {
        warmed_ = true;
        warm(0);
    }
}

namespace {
// The looks a card takes as a first refresh goes on: checking, an update Quenlark installs (the
// capsule's latest version, the Update button) and up to date (a tag). Each brings fonts and
// glyphs of its own.
constexpr int standInLooks = 3;

std::shared_ptr<AppItem> standIn(int look) {
    InstalledApp app;
    app.name = QStringLiteral("Application");
    app.version = QStringLiteral("1.0");
    app.team = QStringLiteral("ABCDE12345");
    auto item = makeShared<AppItem>(app);
    if (look == 1) {
        Release release;
        release.kind = SourceKind::sparkle;
        release.version = QStringLiteral("2.0");
        release.download = Download{QUrl(QStringLiteral("https://example.org/Application.zip")), {}, {}, {}, {}};
        item->setRelease(release);
        item->setStatus(Status::update());
    } else if (look == 2) {
        item->setStatus(Status::upToDate());
    }
    return item;
}
} // namespace

void CardList::warm(int look) {
    // The first cards would otherwise load the cards' fonts, rasterise their glyphs and draw the
    // first cached bodies, shadows and capsules within the one frame that shows them. Stand-in
    // cards drawn off screen at the cards' width do it beforehand: the first as the list first
    // shows, each other look on a turn of its own after it, so no one turn draws them all.
    AppCard card(standIn(look), nullptr, {});
    const int width =
        std::max(viewport()->width() - column_->contentsMargins().left() - column_->contentsMargins().right(), 320);
    card.resize(width, card.sizeHint().height());
    const qreal ratio = devicePixelRatioF();
    QImage image(QSize(width + 32, card.height() + 36) * ratio, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(ratio);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF body(16, 16, width, card.height());
    SoftShadow::paint(painter, body, AppCard::radius, card.shadowColour(), card.shadowBlur(), card.shadowOffset());
    card.render(&painter, QPoint(16, 16));
    if (look + 1 < standInLooks)
        QTimer::singleShot(0, this, [this, look] { warm(look + 1); });
}
