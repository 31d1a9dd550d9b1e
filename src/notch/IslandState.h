#pragma once

#include "runtime/Observed.h"

#include <QDateTime>
#include <QObject>
#include <QRectF>
#include <QSizeF>
#include <QStringList>

// The model of one island that is up, shared by the controller and the island's view. `ids` are
// bundle paths. Made by makeShared; GUI thread only.
class IslandState final : public QObject {
    Q_OBJECT
public:
    IslandState(QStringList ids, QSizeF notch, bool preview, QDateTime created)
        : ids_(std::move(ids)), notch_(notch), lastTouch_(std::move(created)), preview_(preview) {}

    const QStringList& ids() const { return ids_.get(); }
    QSizeF notch() const { return notch_; }
    bool notched() const { return notch_.height() > 0; }
    bool expanded() const { return expanded_.get(); }
    bool hovering() const { return hovering_.get(); }
    const QDateTime& lastTouch() const { return lastTouch_.get(); }
    bool askingToStop() const { return askingToStop_.get(); }
    // Handed over by the controller to fold away or to fade under the growing main window: it
    // takes no more input.
    bool leaving() const { return leaving_.get(); }
    // The drawn island's frame in the panel, top-left origin; the main window grows out of it.
    QRectF islandRect() const { return islandRect_; }
    bool preview() const { return preview_; }

    void setIds(QStringList ids) { ids_.set(std::move(ids)); }
    void setExpanded(bool value) { expanded_.set(value); }
    void setHovering(bool value) { hovering_.set(value); }
    void setLastTouch(QDateTime value) { lastTouch_.set(std::move(value)); }
    void setAskingToStop(bool value) { askingToStop_.set(value); }
    void setLeaving() { leaving_.set(true); }
    void setIslandRect(QRectF rect) { islandRect_ = rect; }

private:
    Observed<QStringList> ids_;
    QSizeF notch_;
    Observed<bool> expanded_{false};
    Observed<bool> hovering_{false};
    Observed<QDateTime> lastTouch_;
    Observed<bool> askingToStop_{false};
    Observed<bool> leaving_{false};
    QRectF islandRect_;
    bool preview_;
};
