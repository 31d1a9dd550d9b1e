#pragma once

#include "model/InstalledApp.h"
#include "platform/Processes.h"
#include "platform/Subprocess.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <QCoro/QCoroTask>

#include <functional>
#include <mutex>
#include <optional>

class AppleScriptError;
class UpdateError;
struct PackageSigner;

// Replaces an installed bundle with a newer release of it. These are the shared steps of
// installing: running the platform's tools, finding running copies, mounting disk images,
// refusing links that leave an unpacked archive and finding the bundle in a folder.
// Every one of them blocks: call them inside Blocking::run.
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
    // Runs the script through osascript on the administrator thread, one at a time; returns
    // what it printed, trimmed of line breaks. Throws AppleScriptError, or the launch error.
    static QCoro::Task<QString> runAppleScript(QString script);
    // The same, blocking the calling thread (the body of runAppleScript).
    static QString runAppleScriptNow(const QString& script);
    static std::mutex& appleScriptLock();
    // The sentence for a failed administrator run.
    static UpdateError adminFailure(const AppleScriptError& error, const QString& appName);
};
