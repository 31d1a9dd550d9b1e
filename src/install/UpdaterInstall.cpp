#include "install/Updater.h"

#include "platform/files/RealPath.h"

#include "install/SignatureChecks.h"
#include "install/WorkFolder.h"
#include "model/Scanner.h"
#include "model/SourceKind.h"
#include "model/Version.h"
#include "platform/codesign/CodeBundle.h"
#include "platform/codesign/CodeSignature.h"
#include "platform/codesign/MachO.h"
#include "platform/codesign/Requirement.h"
#include "platform/system/SystemInfo.h"
#include "runtime/Log.h"
#include "runtime/OutsideText.h"
#include "runtime/UpdateError.h"
#include "runtime/WithCleanup.h"

#include <QFile>

#include <cstdlib>

namespace {

// A bundle's version as our sentences show it.
QString versionText(const std::optional<QString>& version, const std::optional<QString>& build) {
    return OutsideText::isolated(version ? version : build, QStringLiteral("unknown"));
}

void report(const Updater::Phase& phase, const InstallPhase& value) {
    if (phase)
        phase(value);
}

// Whether the bundle's main executable holds a slice for this build's processor.
bool runsHere(const QString& bundle) {
    const auto code = CodeBundle::at(bundle);
    if (!code || !code->isBundle || !code->executablePath)
        return false;
    QFile file(*code->executablePath);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const auto slices = MachO::slices(file);
    if (!slices)
        return false;
    const uint32_t wanted = SystemInfo::isArm() ? MachO::cpuArm64 : MachO::cpuX86_64;
    for (const MachO::Slice& slice : *slices) {
        if (slice.cpuType == wanted)
            return true;
    }
    return false;
}

// What the checks before the download establish.
struct Prepared {
    QString bundle;                         // the installed bundle's real path
    std::optional<Requirement> requirement; // the installed copy's designated requirement
    QString work;
};

} // namespace

Updater::Updater(const QString& applicationsFolder, std::optional<QString> trashFolder)
    : trash(std::move(trashFolder)) {
    const auto real = realPath(applicationsFolder);
    if (!real)
        throw UpdateError(applicationsFolder + QStringLiteral(" doesn't exist."));
    applications = *real;
}

QCoro::Task<QStringList> Updater::install(InstalledApp app, Release release, Phase phase) const {
    const Updater self = *this;                           // the caller's value need not outlive the install
    const QString name = OutsideText::isolated(app.name); // as our sentences show it

    // Only a source whose download this program can install.
    if (!SourceKinds::canInstall(release.kind) || !release.download)
        throw UpdateError(SourceKinds::rawValue(release.kind) +
                          QStringLiteral(" doesn't offer a download Quenlark can install."));
    const Download download = *release.download;

    // Everything that can be refused before a download (the bundle's place, a running copy, the
    // signatures the update must carry), then the work folder.
    auto prepare = [&self, &app, &download, &name]() -> Prepared {
        Prepared prepared;
        const auto bundle = realPath(app.url);
        if (!bundle || !bundle->startsWith(self.applications + QLatin1Char('/')))
            throw UpdateError(name + QStringLiteral(" isn't inside ") + self.applications + QLatin1Char('.'));
        prepared.bundle = *bundle;
        if (!running(app).isEmpty())
            throw UpdateError(name + QStringLiteral(" is running. Quit it first."));
        if (Scanner::signing(app.url).team) {
            if (const auto code = CodeSignature::create(app.url))
                prepared.requirement = code->designatedRequirement();
        }
        if (app.edKey && !download.edSignature)
            throw UpdateError(name + QStringLiteral(" only accepts EdDSA-signed updates, and this one isn't signed."));
        if (!app.edKey && !prepared.requirement)
            throw UpdateError(name + QStringLiteral(" isn't signed by a developer, so Quenlark can't confirm the "
                                                    "download is genuine. Download it from its website."));
        prepared.work = WorkFolder::create();
        return prepared;
    };
    const Prepared prepared = co_await blocking(prepare);
    const QString& work = prepared.work;

    // Every way out of the body removes the work folder.
    auto body = [&]() -> QCoro::Task<QStringList> {
        QStringList log;
        qCDebug(lcInstall).noquote() << "update of" << app.bundleID << "from" << SourceKinds::rawValue(release.kind);
        auto fetching = fetch(download, work, phase);
        const Downloaded downloaded = co_await std::move(fetching);

        report(phase, InstallPhase::verifying());
        auto check = [&downloaded, &download, &app] {
            return verify(downloaded.file, download, downloaded.contentLength, app);
        };
        log += co_await blocking(check);
        qCDebug(lcInstall).noquote() << "update of" << app.bundleID << "downloaded and verified";

        auto unpack = [&downloaded, &work, &app] { return extract(downloaded.file, work, app.bundleID); };
        const Extracted extracted = co_await blocking(unpack);
        if (extracted.agreement)
            log << licenseNote();

        auto judge = [&extracted, &app, &prepared, &work, &name]() -> QStringList {
            QStringList sentences;
            const std::optional<QString> signer = SignatureChecks::validSignature(extracted.app);

            if (prepared.requirement) {
                const auto code = CodeSignature::create(extracted.app);
                if (!code)
                    throw UpdateError(QStringLiteral("The new version isn't code signed."));
                if (code->checkValidity(CodeSignature::ValidityFlags, &*prepared.requirement) != 0)
                    throw UpdateError(QStringLiteral("The download isn't signed by the developer of the installed ") +
                                      name +
                                      QStringLiteral(" (it doesn't meet the installed app's designated requirement; "
                                                     "the download is signed by ") +
                                      OutsideText::isolated(signer, QStringLiteral("no developer")) +
                                      QStringLiteral("). Refusing to install."));
                sentences << QStringLiteral("Code signature valid and meets the installed app's designated "
                                            "requirement (team ") +
                                 OutsideText::isolated(app.team, QStringLiteral("?")) + QLatin1Char(')');
            } else {
                sentences << QStringLiteral("Code signature valid; the installed app is ad-hoc signed, so its "
                                            "EdDSA key vouched for the download");
            }

            const auto fresh = Scanner::read(extracted.app, work);
            if (!fresh || fresh->bundleID != app.bundleID)
                throw UpdateError(QStringLiteral("The download contains a different app, not ") +
                                  OutsideText::isolated(app.bundleID) + QLatin1Char('.'));

            const QString before = versionText(app.version, app.build);
            const QString after = versionText(fresh->version, fresh->build);
            if (Version::isNewer({app.version, app.build}, {fresh->version, fresh->build}) != true)
                throw UpdateError(QStringLiteral("The download is version ") + after +
                                  QStringLiteral(", not newer than the installed ") + before +
                                  QStringLiteral(". Refusing to downgrade."));

            if (!runsHere(extracted.app))
                throw UpdateError(QStringLiteral("The download doesn't include a build for this Mac's processor."));

            sentences << QStringLiteral("Bundle ") + OutsideText::isolated(fresh->bundleID) + QLatin1Char(' ') + after +
                             QStringLiteral(" is newer than ") + before;
            return sentences;
        };
        log += co_await blocking(judge);
        qCDebug(lcInstall).noquote() << "update of" << app.bundleID << "signature and version accepted";

        report(phase, InstallPhase::installing());
        auto replace = [&self, &app, &extracted, &prepared, &name]() -> Swapped {
            if (!running(app).isEmpty())
                throw UpdateError(name + QStringLiteral(" was opened again. Quit it and retry."));
            // The path checked for containment is the one changed.
            return self.swap(extracted.app, prepared.bundle);
        };
        const Swapped swapped = co_await blocking(replace);
        qCDebug(lcInstall).noquote() << "update of" << app.bundleID << "swapped in";

        const QString where = self.trash ? *self.trash : QStringLiteral("the Trash");
        if (!swapped.trashFailure)
            log << (self.trash ? QStringLiteral("Swapped in; the old copy moved to ") + *self.trash
                               : QStringLiteral("Swapped in; the old copy is in the Trash"));
        else
            log << QStringLiteral("Swapped in; the old copy couldn't be moved to ") + where +
                       QStringLiteral(" and is kept at ") + swapped.oldCopy + QStringLiteral(" (") +
                       *swapped.trashFailure + QLatin1Char(')');
        co_return log;
    };
    auto clean = [&work] { return WorkFolder::cleanUp(work); };
    co_return co_await withCleanup(body, clean);
}
