#pragma once

#include "runtime/Observation.h"
#include "views/cards/CardListModel.h"
#include "views/kit/FramePacer.h"

#include <QHash>
#include <QScrollArea>
#include <QTimer>

#include <optional>

class AppCard;
class ContentUnavailable;
class PlainLabel;
class QVBoxLayout;
class Store;

// The scrolling list of application cards: the shown rows of the store's filter, in sections
// under `all`, one card per row id. Cards are reused across changes and the list is laid out
// again at most once per event-loop turn. Selection and expansion live in the store.
class CardList : public QScrollArea {
    Q_OBJECT
public:
    explicit CardList(Store& store, QWidget* parent = nullptr);
    ~CardList() override;

    // The card of a listed row, or null.
    AppCard* card(const QString& id) const;
    // Applies what changed now instead of on the next turn (benchmarks, tests).
    void flush();
    // The filter's empty state or the no-matches view, shown over an empty list.
    ContentUnavailable* emptyView() const { return empty_; }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    struct Snapshot {
        QList<CardListModel::Section> sections;
        std::optional<QString> selection;
        std::optional<QString> expanded;
        std::optional<CardListModel::EmptyState> empty;
        QString query;
    };

    void follow();
    Snapshot take() const;
    void apply();
    // How many entries to list: `now` are built on this pass, the rest up to `ahead` may be
    // built on later turns.
    struct Reach {
        int now;
        int ahead;
    };
    Reach reach(int total) const;
    bool built(const std::shared_ptr<AppItem>& row) const;
    AppCard* cardFor(const std::shared_ptr<AppItem>& row);
    PlainLabel* headerFor(const QString& title);
    void toggle(const QString& id);
    void scrollToTop(const QString& id);
    void settle();
    void warm(int look);

    Store& store_;
    Observation::Handle tracking_;
    FramePacer pacer_{this, [this] { follow(); }};
    Snapshot now_;
    bool applied_ = false;
    QWidget* content_;
    QVBoxLayout* column_;
    ContentUnavailable* empty_;
    QHash<QString, AppCard*> cards_;
    QHash<QString, std::weak_ptr<AppItem>> rows_;
    QHash<QString, PlainLabel*> headers_;
    QList<QWidget*> order_; // what the column holds, in order
    bool reorder_ = false;
    QTimer* more_; // builds the next few cards out of view a frame later
    class QSpacerItem* tail_;
    int rowHeight_ = 72; // a closed card and its spacing, for the unbuilt tail; measured once
    bool measured_ = false;
    bool warmed_ = false;
    std::optional<QString> shownSelection_;
    std::optional<QString> shownExpanded_;
};
