#include "model/InstalledApp.h"

#include "model/MainBundle.h"

bool InstalledApp::isQuenlark() const { return bundleID == MainBundle::identifier(); }

bool InstalledApp::canInstall(const std::optional<Release>& release) const {
    if (!release || !SourceKinds::canInstall(release->kind) || !release->download || isQuenlark())
        return false;
    if (team)
        return true;
    if (edKey)
        return release->download->edSignature.has_value();
    return false;
}
