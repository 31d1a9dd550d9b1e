#pragma once

#include "library/LibraryRowModel.h"
#include "store/Device.h"

#include <QPointer>
#include <QWidget>

#include <functional>
#include <memory>

class AppIcon;
class LibraryItem;
class Observer;
class PlainLabel;
class QCheckBox;
class QHBoxLayout;
class QMenu;
class QToolButton;
class QVBoxLayout;
class Store;

// One application of the library as a row: tick box, icon, name, the Macs that have it, the
// note, the status and the actions menu. It follows its entry and the account's Macs; the list
// hands it the Macs and whether it may be ticked.
class LibraryRow : public QWidget {
    Q_OBJECT
public:
    LibraryRow(std::shared_ptr<LibraryItem> item, Store& store, QWidget* parent = nullptr);
    ~LibraryRow() override;

    void setDevices(const QList<Device>& devices);
    void setSelectable(bool selectable);

    // How the row learns, as its entry falls into a restore's queue, how long after the first
    // row of that restore it shows so.
    void setQueueDelay(std::function<double()> delay) { queueDelay_ = std::move(delay); }
    // Draws the row `offset` below its place, as it comes into the list and leaves it.
    void setOffset(double offset);
    double offset() const { return offset_; }

    QCheckBox* checkbox() const { return checkbox_; }
    QWidget* status() const { return statusWidget_; }
    // The wait of the last fall into the queue, in seconds.
    double queuedAfter() const { return queuedAfter_; }
    // Adds the actions of the trailing and the context menu.
    void fillActions(QMenu& menu);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void refresh();
    void showStatus(const LibraryRowModel::Status& status);
    void bringIn(QWidget* status, bool done);
    void showMacs(const LibraryRowModel::Macs& macs);
    void showNote(const QList<LibraryRowModel::NoteLine>& lines);

    std::weak_ptr<LibraryItem> item_;
    Store& store_;
    QList<Device> devices_;
    bool selectable_ = false;
    bool selected_ = false;
    double tick_ = 0;                              // the edge's way from plain (0) to ticked (1)
    QPointer<class QVariantAnimation> tickMotion_; // deletes itself when it stops
    std::function<double()> queueDelay_;
    std::optional<InstallPhase::Kind> phase_; // as last seen
    bool holding_ = false;                    // the queued status waits its turn
    double queuedAfter_ = 0;
    double offset_ = 0;
    Observer* observer_ = nullptr;
    QCheckBox* checkbox_;
    QWidget* iconHolder_;
    AppIcon* icon_ = nullptr;
    QWidget* placeholder_ = nullptr;
    PlainLabel* name_;
    QHBoxLayout* macsLine_;
    QWidget* macsHolder_;
    QVBoxLayout* notes_;
    QWidget* notesHolder_;
    QWidget* statusHolder_;
    QWidget* statusWidget_ = nullptr;
    std::optional<LibraryRowModel::Status> shownStatus_;
    std::optional<LibraryRowModel::Macs> shownMacs_;
    QList<LibraryRowModel::NoteLine> shownNote_;
    QToolButton* more_;
};
