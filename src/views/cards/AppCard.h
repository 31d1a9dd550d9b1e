#pragma once

#include "views/detail/RowAction.h"
#include "views/detail/RowFacts.h"

#include <QWidget>

#include <algorithm>

#include <functional>
#include <memory>

class AppIcon;
class CardHeader;
class AppItem;
class DetailPane;
class Observer;
class QVBoxLayout;
class RowAccessory;
class SpringValue;
class Store;

// One application's card in the main list: a header row (icon, name, detail line, version
// pill, accessory, chevron) and, while open, its detail pane. It keeps no state of its own: it
// follows the observed row, and the list tells it whether it is selected and open.
class AppCard : public QWidget {
    Q_OBJECT
public:
    // The card's shadow, which the list paints under it: deeper while the card is open.
    static constexpr double radius = 16;
    double openness() const { return open_; }
    QColor shadowColour() const;
    double shadowBlur() const { return 4 + 8 * std::clamp(open_, 0.0, 1.0); }
    QPointF shadowOffset() const { return {0, 1 + 3 * std::clamp(open_, 0.0, 1.0)}; }

    // Without a store the card only draws (pictures, benchmarks).
    AppCard(std::shared_ptr<AppItem> item, Store* store, std::function<void()> toggle, QWidget* parent = nullptr);
    ~AppCard() override;

    void setSelected(bool selected);
    void setExpanded(bool expanded);
    bool expanded() const { return expanded_; }
    QWidget* header() const;
    DetailPane* detailPane() const { return pane_; }
    RowAccessory* accessory() const { return accessory_; }

    // Its layout's: an open card's height is asked for the width it has, and the detail pane
    // is never laid out at a width it never gets.
    QSize sizeHint() const override;

    // Carries out a row action on this card's row.
    void run(const RowAction& action);

protected:
    void paintEvent(QPaintEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void refresh();

    std::weak_ptr<AppItem> item_;
    Store* store_;
    std::function<void()> toggle_;
    bool selected_ = false;
    bool expanded_ = false;
    RowFacts facts_;

    QVBoxLayout* stack_;
    CardHeader* header_;
    AppIcon* icon_;
    RowAccessory* accessory_;
    QWidget* divider_ = nullptr;
    DetailPane* pane_ = nullptr;
    double open_ = 0; // 0 closed, 1 open, moving with the standard animation
    SpringValue* openness_;
    Observer* observer_;
};
