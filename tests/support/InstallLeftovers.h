#pragma once

#include <QDir>
#include <QString>
#include <QStringList>

// What an install may leave behind by mistake: work folders in the temporary directory and
// hidden staging copies in the applications folder.
inline QStringList installLeftovers(const QString& applications) {
    QStringList found;
    for (const QString& name : QDir(QDir::tempPath()).entryList({"quenlark-*"}, QDir::AllEntries | QDir::Hidden))
        found << name;
    for (const QString& name : QDir(applications).entryList({".quenlark-*"}, QDir::AllEntries | QDir::Hidden))
        found << name;
    return found;
}
