#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// Runs a tool of the build's quenlark-tools through its link in libexec/quenlark/.
struct ToolRun {
    int status = -1;
    QString output; // standard output and standard error, merged
};

QString toolPath(const QString& name);
ToolRun runTool(const QString& name, const QStringList& args, const QByteArray& input = {});
