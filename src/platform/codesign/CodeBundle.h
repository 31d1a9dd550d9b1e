#pragma once

#include "platform/files/FileReader.h"

#include <QString>
#include <QVariantMap>

#include <optional>

// Where the parts of a code bundle lie: the content root that sealed paths are relative to, its
// Info.plist, its main executable and its resource seal. A path that is not a folder is a bare
// Mach-O file with none of these.
class CodeBundle {
public:
    // Nothing when the path does not exist.
    static std::optional<CodeBundle> at(const QString& path);

    // An Info.plist larger than this is not read for the signature, nor its executable found.
    static constexpr qint64 maxInfoPlist = 4 * 1024 * 1024;

    // The file name CFBundleExecutable gives, when it is a plain name.
    static std::optional<QString> executableName(const QVariantMap& info);

    // The file at `relative` (plain names) inside the bundle at `path`, open at `folder`, when it
    // is a regular file reached without leaving the bundle: links inside it are followed, links
    // out of it never.
    static std::optional<FileReader> openInside(int folder, const QString& path, const QString& relative);

    QString path;          // as given, without a trailing slash
    bool isBundle = false; // a folder
    QString contentRoot;   // "X.app/Contents", a framework's version folder, or the folder itself
    QString infoPlistPath;
    QString resourcesPath; // "_CodeSignature/CodeResources" under the content root
    QString ticketPath;    // the stapled ticket, "CodeResources" in the content root
    // The main executable named by CFBundleExecutable, when it names a file inside the bundle.
    std::optional<QString> executablePath;
    // The Info.plist's exact bytes and its values, when it reads.
    std::optional<QByteArray> infoPlistBytes;
    std::optional<QVariantMap> info;
};
