#pragma once

#include "model/Release.h"

#include <QList>
#include <QString>
#include <QUrl>

// How a library application comes back onto this Mac: installed from candidate releases, from
// its App Store page, or by the user from a web page.
class Route {
public:
    enum class Kind { install, store, manual };

    static Route install(QList<Release> releases) {
        Route route(Kind::install);
        route.releases_ = std::move(releases);
        return route;
    }
    static Route store(QUrl page) {
        Route route(Kind::store);
        route.url_ = std::move(page);
        return route;
    }
    static Route manual(QUrl page, QString reason) {
        Route route(Kind::manual);
        route.url_ = std::move(page);
        route.reason_ = std::move(reason);
        return route;
    }

    Kind kind() const { return kind_; }
    const QList<Release>& releases() const { return releases_; } // install
    const QUrl& url() const { return url_; }                     // store, manual
    const QString& reason() const { return reason_; }            // manual

private:
    explicit Route(Kind kind) : kind_(kind) {}
    Kind kind_;
    QList<Release> releases_;
    QUrl url_;
    QString reason_;
};
