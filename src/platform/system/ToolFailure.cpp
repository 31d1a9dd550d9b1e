#include "platform/system/ToolFailure.h"

#include <QFileInfo>

ToolFailure::ToolFailure(const QString& tool, int status, const QString& output)
    : Error(QFileInfo(tool).fileName() + QStringLiteral(" failed: ") + output.trimmed()), status(status) {}
