#pragma once

#include "install/PackageConsent.h"
#include "model/InstallPhase.h"
#include "model/InstalledApp.h"
#include "model/Release.h"
#include "platform/system/Processes.h"
#include "platform/system/Subprocess.h"
#include "runtime/Blocking.h"
#include "runtime/CancelToken.h"

#include <QByteArray>
#include <QCoro/QCoroTask>
#include <QList>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <utility>

class AppleScriptError;
class UpdateError;
struct PackageSigner;

// Replaces an installed bundle with a newer release of it. A value holds the folder the managed
// bundles live in and where old copies go; `install` runs one whole update. The static members
// are the shared steps of installing: running the platform's tools, finding running copies,
// mounting disk images, refusing links that leave an unpacked archive and finding the bundle in
// a folder. Every static step blocks: call them inside Blocking::run.
class Updater {
public:
    // Runs the tool at `tool` (a platform path such as "/usr/bin/ditto", run here by its
    // stand-in) and returns its merged output. A non-zero exit throws UpdateError
    // "<tool file name> failed: <its trimmed text>"; a launch failure throws FileError.
    static QByteArray run(const QString& tool, const QStringList& arguments,
                          const std::optional<QByteArray>& input = std::nullopt);

    // Runs a tool whose exit status is an answer; never throws (-1 and "" when it can't start).
    static Subprocess::Output output(const QString& tool, const QStringList& arguments);

    // The running processes of `app`'s bundle, matched by location.
    static QList<Processes::RunningApp> running(const InstalledApp& app);

    // Whether the image's information says it carries a licence agreement.
    static bool hasLicenseAgreement(const QString& image);
    // Reads the answer of "hdiutil imageinfo -plist": exit status and text.
    static bool licenseAgreementIn(int status, const QString& text);

    // Mounts `image` read-only at `mountPoint`, answering its licence prompt when it has one;
    // returns whether it did. A failing hdiutil throws the `run` error.
    static bool attach(const QString& image, const QString& mountPoint);
    // Forced detach; its failure is ignored.
    static void detach(const QString& mountPoint);

    struct Extracted {
        QString app;            // the bundle to install, inside the work folder
        bool agreement = false; // a disk-image licence agreement was accepted to open it
    };
    // Turns a verified download into one bundle inside `work`: a zip archive is unpacked into
    // "extracted" and confined; a disk image is attached at "mount", the bundle copied out and
    // the image detached on every way out. Anything else is refused.
    static Extracted extract(const QString& file, const QString& work, const QString& bundleID);

    // Returns when every link below `root` stays inside it, else throws UpdateError.
    static void confine(const QString& root);

    // Reads a bundle's identifier (nothing when it can't be opened as a bundle).
    using IdentifierReader = std::function<std::optional<QString>(const QString& bundle)>;
    // The CFBundleIdentifier of the bundle's Contents/Info.plist.
    static std::optional<QString> bundleIdentifier(const QString& bundle);

    // The application bundle in `folder` or one folder below it, the one with `bundleID` first;
    // links are never candidates and never entered. Throws UpdateError when there is none.
    static QString findApp(const QString& folder, const QString& bundleID,
                           const IdentifierReader& identifierOf = &Updater::bundleIdentifier);

    // ---- One update: download, verification, unpacking, swap and trash ----

    // Resolves `applications` to its real path; throws UpdateError "<path> doesn't exist."
    // when it can't. Without `trash` old copies go to the user's Trash.
    Updater(const QString& applications, std::optional<QString> trash);

    QString applications;         // the real path of the folder the bundles live in
    std::optional<QString> trash; // where old copies go; absent: the user's Trash
    // Where an installer package puts the applications it installs: /Applications, or under
    // "--sandbox" the sandbox folder, which stands in for it.
    QString packageApplications = QStringLiteral("/Applications");

    // Called with every phase of an install; may be called from any thread.
    using Phase = std::function<void(const InstallPhase&)>;

    // Replaces `app` with the download of `release`, refusing anything it can't vouch for, and
    // returns the log sentences. Refusals throw UpdateError; file and download errors pass
    // through. The installed bundle is untouched by every failure. Call on the GUI thread.
    QCoro::Task<QStringList> install(InstalledApp app, Release release, Phase phase) const;

    // Runs `work` on the pool and resumes the awaiting coroutine with its value or its error.
    // A callable capturing values is named before the co_await (runtime/AwaitSafe.h).
    template <typename Fn>
    static auto blocking(Fn&& work) {
        return Blocking::run(std::forward<Fn>(work));
    }

    struct Downloaded {
        QString file;                    // inside the work folder
        std::int64_t contentLength = -1; // as the server stated it, else -1
    };
    // Streams `url` into `work`, under the server's suggested name cut to one safe component.
    // `expected` is the size the source states; a server announcing another length, or more
    // than 4 GiB arriving, stops the transfer at once. `progress` gets the fraction done.
    static QCoro::Task<Downloaded> download(QUrl url, std::optional<std::int64_t> expected, QString work,
                                            std::function<void(double)> progress);

    // One plain file name from a server's suggestion: the last path component, never empty,
    // "." or "..", never one of the work folder's own names; else "download".
    static QString safeFileName(const QString& suggested);

    // Reports downloading(0), refuses an address that isn't http(s), then downloads `download`
    // into `work`, reporting its progress as downloading phases.
    static QCoro::Task<Downloaded> fetch(Download download, QString work, Phase phase);

    // The note of a bundle that a disk image's licence agreement had to be accepted for.
    static QString licenseNote();

    struct Sizes {
        std::int64_t size = 0; // the file's
        std::int64_t want = 0; // the source's, else the server's; below 1 when neither says
    };
    // The downloaded file's size and the size it should have. Throws UpdateError for an empty
    // file, FileError when it can't be read.
    static Sizes sizes(const QString& file, const Download& download, std::int64_t contentLength);

    // Size, SHA-256 and EdDSA checks of a downloaded file; the log sentences in that order.
    static QStringList verify(const QString& file, const Download& download, std::int64_t contentLength,
                              const InstalledApp& app);

    // Moves one item to the Trash, or into `trash` under the first free "Name n.ext" name.
    void moveToTrash(const QString& item) const;

    // --- Installing an application this Mac doesn't have yet ---

    // What the user's other Mac recorded of the application. With no installed copy, it is what
    // a download must match: its identifier, and its Team ID or EdDSA key where it has one.
    struct Recorded {
        QString id; // the bundle identifier
        QString name;
        std::optional<QString> team;
        std::optional<QString> edKey;
    };
    struct Fresh {
        QString url;                 // where the application is now
        std::optional<QString> team; // the Team ID that vouched for it
        std::optional<QString> note;
    };
    // Asked before an installer package runs as administrator; true runs it.
    using Consent = std::function<QCoro::Task<bool>(PackageConsent)>;

    // Downloads, checks and installs one release of an application this Mac lacks: placed into
    // `applications` beside whatever is there, or run as an installer package after `consent`.
    // Refusals throw UpdateError; file and download errors pass through; `cancel` throws
    // Cancelled out of the administrator step. Call on the GUI thread.
    QCoro::Task<Fresh> installNew(Recorded app, Release release, Consent consent, Phase phase,
                                  CancelToken cancel = {}) const;
    // Tries the candidates in order and returns the first install that succeeds. A refusal that
    // is final or needs permission ends it at once; otherwise every candidate's sentence, one a
    // line (each after its source's name when there are several). A cancellation ends it too.
    QCoro::Task<Fresh> installFirst(Recorded app, QList<Release> releases, Consent consent, Phase phase,
                                    CancelToken cancel = {}) const;
    // Copies `bundle` into `applications` under a hidden staging name and moves it into place
    // only where nothing is: nothing that exists is ever replaced. Returns the bundle's new path.
    // With `movable` (a bundle of our own work folder, not needed after), it is renamed into
    // place instead where that is one exclusive rename, and copied only where not.
    QCoro::Task<QString> place(QString bundle, QString name, bool movable = false) const;
    // The blocking body of place.
    QString placeNow(const QString& bundle, const QString& name, bool movable = false) const;
    // Where the package installer put the application with `bundleID` in `folder`; nothing
    // when it isn't there.
    static std::optional<QString> installedApplication(const QString& bundleID, const QString& folder);

    // --- Installer packages and the administrator step ---

    // Finds the installer package in a download and copies (or, for a package itself, moves) it
    // to `work`/"package.pkg", which it returns. Nothing when the download is no package and
    // `named` is no plain ".pkg" file name; throws UpdateError for an unsupported download or a
    // missing package, and file errors unchanged.
    static std::optional<QString> package(const QString& download, const std::optional<QString>& named,
                                          const QString& work);
    // Who signed the package and what the install assessment says; never throws.
    static PackageSigner packageSigner(const QString& package);
    // The package's Team ID when it may run, else UpdateError with the refusal.
    static QString checkPackage(const PackageSigner& signer, const QString& name,
                                const std::optional<QString>& expected);

    // The root shell line that copies, re-checks and installs the package. Throws UpdateError
    // when a value breaks the character rules that keep the line free of quoting.
    static QString rootCommand(const QString& package, const QString& sha256, const QString& team,
                               const QString& tempBase, bool dryRun);
    // An AppleScript string literal for any text.
    static QString appleScriptLiteral(const QString& text);
    // The administrator script for a root line, with the prompt naming the application.
    static QString adminScript(const QString& line, const QString& name);
    // The longest one administrator run may take, the prompt's wait included.
    static constexpr std::chrono::milliseconds adminBound = std::chrono::minutes(30);
    // Runs the script through osascript on the administrator thread, one at a time; returns
    // what it printed, trimmed of line breaks. Throws AppleScriptError, or the launch error. A
    // run past `bound` is killed with its shell line and throws AppleScriptError; `cancel` kills
    // it the same way and throws Cancelled. Either way the next run may start.
    static QCoro::Task<QString> runAppleScript(QString script, CancelToken cancel = {},
                                               std::chrono::milliseconds bound = adminBound);
    // The same, blocking the calling thread (the body of runAppleScript).
    static QString runAppleScriptNow(const QString& script, const CancelToken& cancel = {},
                                     std::chrono::milliseconds bound = adminBound);
    static std::mutex& appleScriptLock();
    // The sentence for a failed administrator run.
    static UpdateError adminFailure(const AppleScriptError& error, const QString& appName);

private:
    struct Swapped {
        QString oldCopy;                     // where the old bundle is now
        std::optional<QString> trashFailure; // why it stayed in the staging folder
    };
    // Puts a copy of `newApp` at `old` in one exchange and trashes the old bundle.
    Swapped swap(const QString& newApp, const QString& old) const;
};
