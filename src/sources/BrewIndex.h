#pragma once

#include "sources/BrewCatalogue.h"
#include "sources/Cask.h"

#include <QByteArray>
#include <QCoro/QCoroTask>
#include <QDateTime>
#include <QString>
#include <QUrl>

#include <memory>
#include <optional>

// The shared cask catalogue: downloaded at most once an hour (conditionally, against a copy kept
// on disk), parsed off the GUI thread into lookup tables, and shared by every check. Lives on the
// GUI thread; concurrent callers await one shared load.
class BrewIndex {
public:
    // `url`: the catalogue; `cache`: the folder of the disk copy (none: no disk copy).
    BrewIndex(QUrl url, std::optional<QString> cache);
    ~BrewIndex();
    BrewIndex(const BrewIndex&) = delete;
    BrewIndex& operator=(const BrewIndex&) = delete;

    // The cask that installs the application with this identifier and file name (with ".app").
    // Throws what loading throws.
    QCoro::Task<std::optional<Cask>> cask(QString bundleID, QString fileName);

    // Makes the tables current (at most an hour old).
    QCoro::Task<void> load();

    const QUrl& url() const { return url_; }
    const std::optional<QString>& cache() const { return cache_; }
    const BrewCatalogue& tables() const { return tables_; }
    const std::optional<QDateTime>& loadedAt() const { return loadedAt_; }
    // Whether the last download was answered "not modified" and served from the disk copy.
    bool reused() const { return reused_; }

    static constexpr qint64 reuseSeconds = 3600;

private:
    struct Loading;

    // The catalogue's text; nothing when the disk copy is current.
    QCoro::Task<std::optional<QByteArray>> download();
    QCoro::Task<void> fetch();

    QUrl url_;
    std::optional<QString> cache_;
    BrewCatalogue tables_;
    std::optional<QDateTime> loadedAt_;
    std::shared_ptr<Loading> loading_;
    bool reused_ = false;
};
