#pragma once

#include <QWidget>

#include <memory>

class AppIcon;
class AppItem;
class PlainLabel;
class RowAccessory;
class Store;
class VersionPill;

// One application in the island: icon, name, source, version pill and the rows' shared
// accessory, on a faint rounded plate 48 high. It fades in and slides down once, when it
// first shows, after a stagger by its position.
class IslandRow : public QWidget {
    Q_OBJECT
public:
    IslandRow(std::shared_ptr<AppItem> item, Store* store, int index, bool reduceMotion, QWidget* parent = nullptr);

    const std::shared_ptr<AppItem>& item() const { return item_; }
    // When the entrance starts after the row first shows, in seconds.
    static double entranceDelay(int index);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void refresh();
    void enter();
    void place();

    std::shared_ptr<AppItem> item_;
    Store* store_;
    int index_;
    bool reduceMotion_;
    bool entered_ = false;
    double offset_ = 0;
    QWidget* body_;
    AppIcon* icon_;
    PlainLabel* name_;
    PlainLabel* source_;
    VersionPill* pill_;
    RowAccessory* accessory_;
};
