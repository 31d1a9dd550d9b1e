#pragma once

#include "model/InstallPhase.h"
#include "runtime/Observed.h"
#include "store/Device.h"
#include "store/LibraryApp.h"
#include "store/Route.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <optional>

// The observable row of one library application, identified by its bundle identifier. GUI
// thread only; made with makeShared<LibraryItem>(app). Phase, selection, note and team tell
// observers only of a change; app and route on every assignment.
class LibraryItem final : public QObject {
    Q_OBJECT
public:
    explicit LibraryItem(LibraryApp app) : app_(std::move(app)) {}

    QString id() const { return app_.get().id; }

    const LibraryApp& app() const { return app_.get(); }
    const std::optional<Route>& route() const { return route_.get(); }
    const InstallPhase& phase() const { return phase_.get(); }
    bool selected() const { return selected_.get(); }
    const std::optional<QString>& note() const { return note_.get(); }
    const std::optional<QString>& team() const { return team_.get(); }

    // No Mac's entry says installed (a record without entries included).
    bool removedEverywhere() const;
    // "Last on " + the label of the Mac with the newest entry + " · " + its date; nothing when
    // no entry has a date after the distant past.
    std::optional<QString> lastSeen(const QList<Device>& devices) const;
    // The labels of the listed Macs whose entry says installed, in plain text order.
    QStringList onDevices(const QList<Device>& devices) const;
    // The page to fetch the app from by hand: a manual route's own, else the one its record and
    // first candidate give.
    QUrl website() const;

    void setApp(LibraryApp app) { app_.set(std::move(app)); }
    void setRoute(std::optional<Route> route) { route_.set(std::move(route)); }
    void setPhase(InstallPhase phase) { phase_.set(std::move(phase)); }
    void setSelected(bool selected) { selected_.set(selected); }
    void setNote(std::optional<QString> note) { note_.set(std::move(note)); }
    void setTeam(std::optional<QString> team) { team_.set(std::move(team)); }

private:
    Observed<LibraryApp, Notify::Always> app_;
    Observed<std::optional<Route>, Notify::Always> route_;
    Observed<InstallPhase> phase_{InstallPhase::idle()};
    Observed<bool> selected_{false};
    Observed<std::optional<QString>> note_;
    Observed<std::optional<QString>> team_;
};
