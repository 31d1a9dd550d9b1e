// Installing an application this Mac doesn't have: the library's record stands in for the
// installed copy whose signature would otherwise vouch for the download.
#include "install/Updater.h"

#include "install/AppleScriptError.h"
#include "install/EdDSA.h"
#include "install/PackageSigner.h"
#include "install/SignatureChecks.h"
#include "install/WorkFolder.h"
#include "model/SourceKind.h"
#include "platform/codesign/CodeSignature.h"
#include "platform/codesign/Requirement.h"
#include "platform/codesign/SignatureStatus.h"
#include "platform/system/ToolPaths.h"
#include "runtime/Describe.h"
#include "runtime/Log.h"
#include "runtime/OutsideText.h"
#include "runtime/UpdateError.h"
#include "runtime/WithCleanup.h"

#include <QRegularExpression>

namespace {

void report(const Updater::Phase& phase, const InstallPhase& value) {
    if (phase)
        phase(value);
}

QString nothingToDownload(const QString& name) {
    return QStringLiteral("There's nothing to download for ") + name + u'.';
}

// The requirement a download must meet for a recorded Team ID; nothing when the ID is malformed.
std::optional<Requirement> teamRequirement(const QString& team) {
    static const QRegularExpression form(QRegularExpression::anchoredPattern(QStringLiteral("[A-Z0-9]{10}")));
    if (!form.match(team).hasMatch())
        return std::nullopt;
    return Requirement::parse(QStringLiteral("anchor apple generic and certificate leaf[subject.OU] = \"") + team +
                              u'"');
}

// Size, SHA-256 and EdDSA of the downloaded file, against what the release and the record say.
void verifyFresh(const QString& file, const Download& download, std::int64_t contentLength,
                 const Updater::Recorded& app, const QString& name) {
    const auto [size, want] = Updater::sizes(file, download, contentLength);
    if (want >= 1 && size != want)
        throw UpdateError(QStringLiteral("The download is %1 bytes but should be %2.").arg(size).arg(want));

    if (download.sha256 && SignatureChecks::sha256(file) != download.sha256->toLower())
        throw UpdateError(
            QStringLiteral("SHA-256 checksum mismatch: the download isn't the file the source published."));

    if (app.edKey) {
        if (!download.edSignature)
            throw UpdateError(name +
                              QStringLiteral(" only accepts EdDSA-signed updates, and this download isn't signed."));
        const auto key = EdDSA::decodeBase64(*app.edKey);
        const auto signature = EdDSA::decodeBase64(*download.edSignature);
        if (!key || !signature || !EdDSA::isPublicKey(*key) || !EdDSA::verifyFile(file, *key, *signature))
            throw UpdateError(QStringLiteral("EdDSA signature doesn't match ") + name + QStringLiteral("'s key."));
    }
}

// Checks the package's signer, asks for consent and runs it as administrator.
QCoro::Task<Updater::Fresh> installPackage(Updater::Recorded app, QString package, bool checksum,
                                           Updater::Consent consent, Updater::Phase phase, QString name, QString folder,
                                           CancelToken cancel) {
    auto read = [&package] { return Updater::packageSigner(package); };
    const PackageSigner signer = co_await Updater::blocking(read);
    const QString team = Updater::checkPackage(signer, app.name, app.team);
    auto hash = [&package] { return SignatureChecks::sha256(package); };
    const QString digest = co_await Updater::blocking(hash);

    const PackageConsent facts{app.name,         signer.leaf.value_or(team), team,
                               signer.notarized, app.team.has_value(),       checksum};
    qCDebug(lcInstall).noquote() << "package consent asked for" << app.id << "signed by team" << team;
    auto asking = consent(facts);
    const bool agreed = co_await std::move(asking);
    qCDebug(lcInstall).noquote() << "package consent for" << app.id << (agreed ? "given" : "refused");
    if (!agreed)
        throw UpdateError(QStringLiteral("You chose not to run ") + name +
                              QStringLiteral("'s installer. Nothing was installed."),
                          {.final = true});

    report(phase, InstallPhase::installing());
    const QString line = Updater::rootCommand(package, digest, team, ToolPaths::privateTmp, false);
    const QString script = Updater::adminScript(line, name);
    std::optional<UpdateError> refused;
    try {
        auto running = Updater::runAppleScript(script, cancel);
        co_await std::move(running);
    } catch (const AppleScriptError& error) {
        refused = Updater::adminFailure(error, app.name);
    }
    qCDebug(lcInstall).noquote() << "administrator step for" << app.id << (refused ? "refused:" : "ran")
                                 << (refused ? refused->description() : QString());
    if (refused)
        throw *refused;

    const QString id = app.id;
    auto find = [id, folder] { return Updater::installedApplication(id, folder); };
    const std::optional<QString> installed = co_await Updater::blocking(find);
    if (!installed || !installed->startsWith(folder + u'/'))
        throw UpdateError(QStringLiteral("The installer finished, but ") + name + QStringLiteral(" isn't in ") +
                          folder + u'.');
    co_return Updater::Fresh{*installed, team, std::nullopt};
}

} // namespace

QCoro::Task<Updater::Fresh> Updater::installNew(Recorded app, Release release, Consent consent, Phase phase,
                                                CancelToken cancel) const {
    const Updater self = *this;                           // the caller's value need not outlive the install
    const QString name = OutsideText::isolated(app.name); // as our sentences show it

    // What can be refused before anything is created or downloaded: no download, an unsigned one
    // where the app takes only signed ones, a Team ID that makes no requirement.
    if (!release.download)
        throw UpdateError(nothingToDownload(name));
    const Download download = *release.download;
    if (app.edKey && !download.edSignature)
        throw UpdateError(name + QStringLiteral(" only accepts EdDSA-signed updates, and this download isn't signed."));
    std::optional<Requirement> requirement;
    if (app.team) {
        requirement = teamRequirement(*app.team);
        if (!requirement)
            throw UpdateError(QStringLiteral("The library's Team ID for ") + name + QStringLiteral(" isn't valid."));
    }

    auto create = [] { return WorkFolder::create(); };
    const QString work = co_await blocking(create);

    // Every way out of the body removes the work folder.
    auto body = [&]() -> QCoro::Task<Updater::Fresh> {
        Fresh result;
        qCDebug(lcInstall).noquote() << "fresh install of" << app.id << "from" << SourceKinds::rawValue(release.kind);
        auto fetching = fetch(download, work, phase);
        const Downloaded downloaded = co_await std::move(fetching);

        report(phase, InstallPhase::verifying());
        auto check = [&downloaded, &download, &app, &name] {
            verifyFresh(downloaded.file, download, downloaded.contentLength, app, name);
        };
        co_await blocking(check);

        auto find = [&downloaded, &download, &work] { return package(downloaded.file, download.package, work); };
        const std::optional<QString> found = co_await blocking(find);
        qCDebug(lcInstall).noquote() << "fresh install of" << app.id << "verified;" << (found ? "a package" : "an app");
        if (found) {
            auto installing = installPackage(app, *found, download.sha256.has_value(), consent, phase, name,
                                             self.packageApplications, cancel);
            result = co_await std::move(installing);
        } else {
            auto unpack = [&downloaded, &work, &app] { return extract(downloaded.file, work, app.id); };
            const Extracted extracted = co_await blocking(unpack);

            auto judge = [&extracted, &app, &requirement, &name]() -> std::optional<QString> {
                std::optional<QString> team;
                if (requirement) {
                    // One verification answers both questions: is the signature valid, and is it
                    // the recorded team's.
                    const auto code = CodeSignature::create(extracted.app);
                    const int status =
                        code ? code->checkValidity(CodeSignature::ValidityFlags, &*requirement) : SignatureStatus::Ok;
                    if (!code || (status != SignatureStatus::Ok && status != SignatureStatus::RequirementFailed))
                        SignatureChecks::validSignature(extracted.app); // throws the sentence of what is wrong with it
                    if (!code)
                        throw UpdateError(QStringLiteral("The new version isn't code signed."));
                    team = CodeSignature::teamIdentifier(extracted.app);
                    if (status != SignatureStatus::Ok)
                        throw UpdateError(QStringLiteral("Team ID mismatch: ") + name +
                                          QStringLiteral(" on your other Mac was signed by ") +
                                          OutsideText::isolated(*app.team) + QStringLiteral(", this download by ") +
                                          OutsideText::isolated(team, QStringLiteral("no team")) +
                                          QStringLiteral(". Refusing to install."));
                } else {
                    team = SignatureChecks::validSignature(extracted.app);
                    if (!app.edKey)
                        team = SignatureChecks::notarizedDeveloperID(extracted.app, app.name);
                }
                if (bundleIdentifier(extracted.app) != app.id)
                    throw UpdateError(QStringLiteral("The download contains a different app, not ") +
                                      OutsideText::isolated(app.id) + QStringLiteral(". Refusing to install."));
                return team;
            };
            const std::optional<QString> team = co_await blocking(judge);

            report(phase, InstallPhase::installing());
            auto placing = self.place(extracted.app, app.name, true); // the work folder's own copy
            const QString placed = co_await std::move(placing);
            qCDebug(lcInstall).noquote() << "fresh install of" << app.id << "placed";
            result = Fresh{placed, team, extracted.agreement ? std::optional<QString>(licenseNote()) : std::nullopt};
        }
        co_return result;
    };
    auto clean = [&work] { return WorkFolder::cleanUp(work); };
    co_return co_await withCleanup(body, clean);
}

QCoro::Task<Updater::Fresh> Updater::installFirst(Recorded app, QList<Release> releases, Consent consent, Phase phase,
                                                  CancelToken cancel) const {
    const Updater self = *this;
    if (releases.isEmpty())
        throw UpdateError(nothingToDownload(OutsideText::isolated(app.name)));
    QStringList lines;
    for (const Release& release : releases) {
        std::exception_ptr failure;
        try {
            auto attempt = self.installNew(app, release, consent, phase, cancel);
            co_return co_await std::move(attempt);
        } catch (...) {
            failure = std::current_exception();
        }
        // The user declined, cancelled or the system refused: another candidate wouldn't help.
        if (isCancellation(failure))
            std::rethrow_exception(failure);
        try {
            std::rethrow_exception(failure);
        } catch (const UpdateError& error) {
            if (error.needsPermission || error.final)
                throw;
        } catch (...) {}
        const QString text = describe(failure);
        lines << (releases.size() == 1 ? text : SourceKinds::rawValue(release.kind) + QStringLiteral(": ") + text);
    }
    throw UpdateError(lines.join(u'\n'));
}
