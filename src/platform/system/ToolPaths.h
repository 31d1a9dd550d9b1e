#pragma once

#include <QString>

// The platform's tools by the absolute paths the installer names them with, and where each one
// runs on this system. The platform tools run as the stand-ins of quenlark-tools, reached
// through links named like the tool in the tools folder; other paths run as they stand.
namespace ToolPaths {

inline const QString ditto = QStringLiteral("/usr/bin/ditto");
inline const QString hdiutil = QStringLiteral("/usr/bin/hdiutil");
inline const QString pkgutil = QStringLiteral("/usr/sbin/pkgutil");
inline const QString spctl = QStringLiteral("/usr/sbin/spctl");
inline const QString installer = QStringLiteral("/usr/sbin/installer");
inline const QString osascript = QStringLiteral("/usr/bin/osascript");
inline const QString launchctl = QStringLiteral("/bin/launchctl");
inline const QString xattr = QStringLiteral("/usr/bin/xattr");
inline const QString open = QStringLiteral("/usr/bin/open");
inline const QString shell = QStringLiteral("/bin/sh");
// The temporary base of the administrator line.
inline const QString privateTmp = QStringLiteral("/private/tmp");

// The path that runs `path` here: for a platform tool its stand-in in the tools folder, for
// "/private/tmp" the system's /tmp, anything else unchanged. In the macOS form every path is
// returned unchanged.
QString local(const QString& path);

// Whether `path` is one of the platform tools quenlark-tools stands in for.
bool isStandIn(const QString& path);

// The folder holding the stand-in links: the tools folder set for tests, else the running
// bundle's Contents/Helpers, else <prefix>/libexec/quenlark beside the executable's bin folder
// (the installed layout and the build tree).
QString folder();

// Whether texts keep the macOS form (tests of exact texts).
bool isMacForm();

// Where the administrator line finds what it runs as root: the installed, root-owned tools
// folder and anchors folder under the installation prefix, never a copy beside the running
// executable, which the user may be able to change.
QString installedFolder();
QString installedAnchors();
// The path that runs `path` as root: a platform tool's stand-in in the installed folder,
// anything else as `local` gives it.
QString installed(const QString& path);

// Whether the administrator line runs without elevation, as the user (tests and the demo:
// QUENLARK_ELEVATION=unprivileged).
bool unprivilegedElevation();

// Tests: point the installed folders elsewhere (empty: the defaults).
void setInstalledForTest(const QString& folder, const QString& anchors);

// Tests: keep the macOS form in texts.
void setMacFormForTest(bool on);

} // namespace ToolPaths
