#include "install/Updater.h"

#include "install/EdDSA.h"
#include "install/SignatureChecks.h"
#include "runtime/Cancelled.h"
#include "runtime/FileError.h"
#include "runtime/Log.h"
#include "runtime/OutsideText.h"
#include "runtime/TransportError.h"
#include "runtime/UpdateError.h"
#include "sources/Net.h"
#include "platform/files/Sys.h"

#include <QFile>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <sys/stat.h>

namespace {

// No app is anywhere near this; a bigger or endless answer is stopped while it arrives.
constexpr std::int64_t ceiling = 4LL * 1024 * 1024 * 1024;

// The transfer lands here first; the server's name is known only once it answers.
const QString partialName = QStringLiteral(".partial");

} // namespace

QString Updater::safeFileName(const QString& suggested) {
    const QString name = suggested.section(QLatin1Char('/'), -1);
    // "extracted", "mount" and "unpacked" are the work folder's own folders: a file there would
    // break unpacking.
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String("..") || name.contains(QChar(0)) ||
        name == QLatin1String("extracted") || name == QLatin1String("mount") || name == QLatin1String("unpacked") ||
        QFile::encodeName(name).size() > NAME_MAX)
        return QStringLiteral("download");
    return name;
}

QCoro::Task<Updater::Downloaded> Updater::download(QUrl url, std::optional<std::int64_t> expected, QString work,
                                                   std::function<void(double)> progress) {
    const QString partial = work + QLatin1Char('/') + partialName;
    Net::Progress watch = [&progress, expected](std::int64_t received, std::int64_t total) -> std::optional<QString> {
        if (progress) {
            try {
                progress(total > 0 ? std::min(1.0, double(received) / double(total)) : 0.0);
            } catch (...) {
                // A progress report never stops a download.
                Log::swallowed(lcInstall(), "Reporting download progress", std::current_exception());
            }
        }
        if (expected && total >= 1 && total != *expected)
            return QStringLiteral("The server is sending %1 bytes, but the source says the download is %2. Stopped.")
                .arg(total)
                .arg(*expected);
        if (total > ceiling || received > ceiling)
            return QStringLiteral("The download is larger than 4 GB, far bigger than any app. Stopped.");
        return std::nullopt;
    };
    const CancelToken token;

    Net::Transfer transfer;
    try {
        transfer = co_await Net::download(url, partial, watch, token);
    } catch (const Cancelled&) {
        throw;
    } catch (const TransportError& error) {
        throw UpdateError(QStringLiteral("Download failed: ") + error.description());
    } catch (const FileError& error) {
        throw UpdateError(QStringLiteral("Download failed: ") + error.description());
    }
    if (transfer.stopped)
        throw UpdateError(*transfer.stopped);
    if (!transfer.status)
        throw UpdateError(QStringLiteral("Download failed."));
    if (*transfer.status < 200 || *transfer.status > 299)
        throw UpdateError(QStringLiteral("Download failed: HTTP %1.").arg(*transfer.status));

    const QString file = work + QLatin1Char('/') + safeFileName(transfer.suggestedName);
    // Our own private folder: the only thing the name could meet is the partial file itself.
    if (Sys::rename(QFile::encodeName(partial), QFile::encodeName(file)) != 0)
        throw FileError(FileError::Op::Move, partial, errno);
    co_return Downloaded{file, transfer.contentLength};
}

QCoro::Task<Updater::Downloaded> Updater::fetch(Download download, QString work, Phase phase) {
    const auto report = [&phase](const InstallPhase& value) {
        if (phase)
            phase(value);
    };
    report(InstallPhase::downloading(0));
    const QString scheme = download.url.scheme().toLower();
    if (scheme != QLatin1String("https") && scheme != QLatin1String("http"))
        throw UpdateError(QStringLiteral("The download link isn't a web address."));
    const std::optional<std::int64_t> expected = download.size && *download.size >= 1 ? download.size : std::nullopt;
    std::function<void(double)> progress = [&report](double fraction) { report(InstallPhase::downloading(fraction)); };
    auto downloading = Updater::download(download.url, expected, work, progress);
    co_return co_await std::move(downloading);
}

QString Updater::licenseNote() {
    return QStringLiteral("The disk image came with the developer's license agreement, which Quenlark accepted to open "
                          "it: the developer's license terms apply to this app.");
}

Updater::Sizes Updater::sizes(const QString& file, const Download& download, std::int64_t contentLength) {
    struct stat st;
    if (Sys::stat(QFile::encodeName(file), st) != 0)
        throw FileError(FileError::Op::Stat, file, errno);
    if (st.st_size < 1)
        throw UpdateError(QStringLiteral("The download is empty."));
    return {st.st_size, download.size && *download.size >= 1 ? *download.size : contentLength};
}

QStringList Updater::verify(const QString& file, const Download& download, std::int64_t contentLength,
                            const InstalledApp& app) {
    const auto [size, want] = sizes(file, download, contentLength);
    QStringList log;
    if (want < 1)
        log << QStringLiteral("Size: %1 bytes (the source doesn't state one)").arg(size);
    else if (size != want)
        throw UpdateError(
            QStringLiteral("The download is %1 bytes but should be %2. It may be incomplete or corrupted.")
                .arg(size)
                .arg(want));
    else
        log << QStringLiteral("Size matches: %1 bytes").arg(size);

    if (download.sha256) {
        if (SignatureChecks::sha256(file) != download.sha256->toLower())
            throw UpdateError(QStringLiteral(
                "SHA-256 checksum mismatch. The download is corrupted or not the file the source published."));
        log << QStringLiteral("SHA-256 matches the source");
    }

    const QString name = OutsideText::isolated(app.name); // as our sentences show it
    if (app.edKey) {
        if (!download.edSignature)
            throw UpdateError(name + QStringLiteral(" only accepts EdDSA-signed updates, and this one isn't signed."));
        const auto key = EdDSA::decodeBase64(*app.edKey);
        const auto signature = EdDSA::decodeBase64(*download.edSignature);
        if (!key || !signature || !EdDSA::isPublicKey(*key))
            throw UpdateError(QStringLiteral("The EdDSA key or signature is malformed."));
        if (!EdDSA::verifyFile(file, *key, *signature))
            throw UpdateError(QStringLiteral("EdDSA signature doesn't match ") + name +
                              QStringLiteral("'s public key. The download is corrupted or was tampered with."));
        log << QStringLiteral("EdDSA signature valid for ") + name + QStringLiteral("'s public key");
    } else if (download.edSignature) {
        log << QStringLiteral("EdDSA signature present, but ") + name +
                   QStringLiteral(" has no public key to check it against");
    }
    return log;
}
