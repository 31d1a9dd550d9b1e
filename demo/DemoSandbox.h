#pragma once

#include "LoopbackServer.h"

#include "library/Cloud.h"
#include "platform/files/UniqueFd.h"

#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <memory>

// A ready demo: sample applications in the real formats under <root>/Applications, signed by a
// PKI made at run time, with their icons and, for some, files in <root>/Library for the leftover
// search; and an update server on 127.0.0.1 offering newer, signed versions of most of them
// through every update source. The server runs, and the root stays claimed, while the object
// lives. Every feed, download and page the demo's data names is on that server.
class DemoSandbox {
public:
    explicit DemoSandbox(QString root);
    ~DemoSandbox();

    // Lays everything out afresh, starts the server and copies `quenlarkApp` (a Quenlark.app,
    // when given) into the Applications folder. The root must be new, empty or a sandbox a demo
    // made (it holds the demo's marker file), and no other demo may be using it: anything else
    // is refused before a file is touched. Throws std::runtime_error naming what failed.
    void make(const QString& quenlarkApp = {});
    // Refuses the root as make() would, before anything else of a demo starts; makes a new or
    // empty root a sandbox (its marker) and empties nothing. Throws std::runtime_error.
    void check() const;

    QString root() const { return root_; }
    QString applications() const { return root_ + QStringLiteral("/Applications"); }
    // The apps only the account's other Mac, "Studio", has; this Mac never scans it.
    QString studioApplications() const { return root_ + QStringLiteral("/Studio"); }
    // Studio's apps as its sync records them: four of the sandbox's and those only Studio has,
    // each with the source it was found with.
    QList<Cloud::Scanned> studio() const;
    QString anchors() const { return root_ + QStringLiteral("/anchors"); }
    QString served() const { return root_ + QStringLiteral("/server"); }
    // The application's own home folders (configuration, data, state, cache), which stand in for
    // the user's: nothing the demo does is kept in the real home.
    QString home() const { return root_ + QStringLiteral("/Home"); }
    QString configHome() const { return home() + QStringLiteral("/.config"); }
    // Where the script that starts the emulators keeps their logs; making the sandbox keeps them.
    QString logs() const { return root_ + QStringLiteral("/Logs"); }
    // The base every source is asked at under "--mock".
    QUrl mock() const;
    // The arguments and the environment that run Quenlark against this demo: its anchors, its
    // installer without elevation, and the XDG base directories in home().
    QStringList arguments() const;
    QProcessEnvironment environment() const;

    // How many requests the server has answered.
    int requests() const { return server_ ? server_->requestCount() : 0; }

    // The names of the sample applications and of those with an update waiting.
    static QStringList sampleNames();
    static QStringList namesWithUpdates();

    // The file that marks a folder as a demo sandbox, and that the running demo holds locked.
    static constexpr const char* markerName = ".quenlark-demo";

private:
    UniqueFd openMarker() const;
    void claim();

    QString root_;
    UniqueFd marker_;
    std::unique_ptr<LoopbackServer> server_;
};
