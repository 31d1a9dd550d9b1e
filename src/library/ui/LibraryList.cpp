#include "library/ui/LibraryList.h"

#include "library/LibraryScreenModel.h"
#include "library/ui/LibraryRow.h"
#include "store/LibraryItem.h"
#include "views/kit/Animator.h"
#include "views/kit/FadeEffect.h"
#include "views/kit/OverlayScroller.h"

#include <QGraphicsOpacityEffect>
#include <QPointer>
#include <QScrollBar>
#include <QSet>
#include <QSpacerItem>
#include <QTimer>
#include <QVBoxLayout>
#include <QVariantAnimation>

#include <algorithm>
#include <cmath>
#include <memory>

namespace {
constexpr int spacing = 8;
// Keeps the last row clear of the floating action bar.
constexpr int bottomPadding = 70;
} // namespace

LibraryList::LibraryList(Store& store, QWidget* parent) : QScrollArea(parent), store_(store) {
    setFrameShape(QFrame::NoFrame);
    setWidgetResizable(true);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    viewport()->setAutoFillBackground(false);
    content_ = new QWidget;
    column_ = new QVBoxLayout(content_);
    column_->setContentsMargins(2, 0, 2, bottomPadding);
    column_->setSpacing(spacing);
    tail_ = new QSpacerItem(0, 0, QSizePolicy::Minimum, QSizePolicy::Expanding);
    column_->addItem(tail_);
    setWidget(content_);
    content_->setAutoFillBackground(false);
    new OverlayScroller(this);
    more_ = new QTimer(this);
    more_->setSingleShot(true);
    more_->setInterval(16);
    connect(more_, &QTimer::timeout, this, [this] {
        ahead_ = true;
        apply(false);
    });
    connect(verticalScrollBar(), &QScrollBar::valueChanged, this, [this] {
        ahead_ = true;
        if (order_.size() < items_.size() &&
            verticalScrollBar()->value() + 2 * viewport()->height() > content_->height() - tail_->geometry().height())
            apply(false);
    });
}

void LibraryList::setRows(Store::LibraryRows rows, QList<Device> devices, QString here) {
    items_ = std::move(rows);
    devices_ = std::move(devices);
    here_ = std::move(here);
    // What the screen first shows just shows; changes after it move.
    apply(settled_);
    settled_ = settled_ || isVisible();
}

LibraryRow* LibraryList::row(const QString& id) const {
    LibraryRow* found = rows_.value(id);
    return found && order_.contains(found) ? found : nullptr;
}

void LibraryList::apply(bool changed) {
    // Now the rows in view; the next view's worth a frame later, unless another change comes
    // first, so a burst of keystrokes lays out only what shows.
    const int total = static_cast<int>(items_.size());
    const int view = std::max(viewport()->height(), 600);
    const int row = std::max(1, rowHeight_);
    const int now = std::min(total, (verticalScrollBar()->value() + view) / row + 2);
    const int ahead = std::min(total, (verticalScrollBar()->value() + 2 * view) / row + 1);
    const int reach = ahead_ ? std::max(now, ahead) : now;
    ahead_ = false;
    if (reach < ahead)
        more_->start();

    QList<QWidget*> order;
    order.reserve(reach);
    for (int i = 0; i < reach; ++i) {
        const auto& item = items_[i];
        const QString id = item->id();
        LibraryRow* row = rows_.value(id);
        if (row && entries_.value(id).lock() != item) {
            // Another entry object under the same id: a fresh row follows it.
            order_.removeAll(row);
            leaving_.remove(row);
            delete row;
            row = nullptr;
        }
        if (!row) {
            row = new LibraryRow(item, store_, content_);
            row->setQueueDelay([this, row] { return queueDelay(row); });
            rows_.insert(id, row);
            entries_.insert(id, item);
        }
        row->setDevices(devices_);
        row->setSelectable(!LibraryScreenModel::installedHere(*item, here_));
        order.append(row);
    }
    if (!measured_ && !order.isEmpty()) {
        rowHeight_ = order.first()->sizeHint().height() + spacing;
        measured_ = true;
    }
    const int rest = (total - static_cast<int>(order.size())) * rowHeight_;
    if (order != order_ || rest != tail_->sizeHint().height()) {
        const QSet<QWidget*> listed(order.begin(), order.end());
        // Where the rows that stay stand now (a move under way included), to spring from there.
        QHash<QWidget*, int> was;
        if (changed)
            for (QWidget* old : std::as_const(order_))
                if (listed.contains(old) && old->isVisibleTo(content_) && !leaving_.contains(old))
                    was.insert(old, old->y());
        column_->setEnabled(false);
        // What the change takes away fades out where it stood; what only scrolled out just goes.
        for (QWidget* old : std::as_const(order_))
            if (!listed.contains(old)) {
                if (changed)
                    slide(static_cast<LibraryRow*>(old), false);
                else
                    old->hide();
            }
        while (column_->count() > 1)
            delete column_->takeAt(0);
        const QSet<QWidget*> before(order_.begin(), order_.end());
        for (int i = 0; i < order.size(); ++i) {
            column_->insertWidget(i, order[i]);
            QWidget* row = order[i];
            // A row the change brings in (or back while it leaves) comes in; rows that stay and
            // rows scrolled to just show.
            const bool back = leaving_.contains(row);
            if (changed && (back || (!before.contains(row) && !row->isVisibleTo(content_))))
                slide(static_cast<LibraryRow*>(row), true);
            else
                row->show();
        }
        tail_->changeSize(0, rest, QSizePolicy::Minimum, QSizePolicy::MinimumExpanding);
        column_->setEnabled(true);
        column_->invalidate();
        order_ = order;
        if (!was.isEmpty()) {
            column_->activate();
            for (auto it = was.cbegin(); it != was.cend(); ++it)
                if (it.value() != it.key()->y())
                    glide(it.key(), it.value());
        }
    }
    sweep();
}

void LibraryList::sweep() {
    // Rows of entries that left the library go; hidden ones wait to be listed again.
    const QSet<QWidget*> listed(order_.begin(), order_.end());
    for (auto it = rows_.begin(); it != rows_.end();) {
        if (!listed.contains(it.value()) && !leaving_.contains(it.value()) && entries_.value(it.key()).expired()) {
            // Later: the last step of its own slide may be what got here.
            it.value()->deleteLater();
            entries_.remove(it.key());
            it = rows_.erase(it);
        } else {
            ++it;
        }
    }
}

void LibraryList::slide(LibraryRow* row, bool in) {
    if (in)
        leaving_.remove(row);
    else
        leaving_.insert(row);
    const auto end = [this, row, in] {
        row->setGraphicsEffect(nullptr);
        row->setOffset(0);
        if (!in) {
            row->hide();
            leaving_.remove(row);
            sweep();
        }
    };
    if (Animator::insideEffect(row)) {
        end();
        return;
    }
    // From where a slide under way has brought it.
    auto* before = qobject_cast<QGraphicsOpacityEffect*>(row->graphicsEffect());
    const double from = before ? before->opacity() : (in ? 0 : 1);
    QPointer<QGraphicsOpacityEffect> effect = new FadeEffect(row);
    effect->setOpacity(from);
    row->setGraphicsEffect(effect);
    row->setOffset(10 * (1 - from));
    row->show();
    Animator::standard(row, from, in ? 1 : 0, [row, effect, in, end](double v) {
        // A later slide replaced (and deleted) this one's effect.
        if (!effect || row->graphicsEffect() != effect)
            return;
        effect->setOpacity(std::clamp(v, 0.0, 1.0));
        row->setOffset(10 * (1 - v));
        if (v == (in ? 1 : 0))
            end();
    });
}

void LibraryList::glide(QWidget* row, int fromY) {
    if (QVariantAnimation* running = gliding_.take(row))
        running->stop(); // deletes itself
    // The layout's place for the row; a pass that moves it while it glides (a resize, rows
    // above coming in) is seen as the row not standing where the last step left it.
    auto base = std::make_shared<int>(row->y());
    auto last = std::make_shared<int>(fromY);
    row->move(row->x(), fromY);
    QPointer<QWidget> guard = row;
    QVariantAnimation* motion = Animator::standard(row, fromY - *base, 0, [this, guard, base, last](double d) {
        if (!guard)
            return;
        if (guard->y() != *last)
            *base = guard->y();
        *last = *base + static_cast<int>(std::lround(d));
        guard->move(guard->x(), *last);
        if (d == 0)
            gliding_.remove(guard);
    });
    if (motion)
        gliding_.insert(row, motion);
}

double LibraryList::queueDelay(const QWidget* row) const {
    int above = 0;
    for (qsizetype i = 0; i < order_.size() && i < items_.size() && order_[i] != row; ++i)
        if (items_[i]->phase().kind() == InstallPhase::Kind::queued)
            ++above;
    return 0.05 * above;
}

void LibraryList::resizeEvent(QResizeEvent* event) {
    QScrollArea::resizeEvent(event);
    if (order_.size() < items_.size()) {
        ahead_ = true;
        apply(false);
    }
}
