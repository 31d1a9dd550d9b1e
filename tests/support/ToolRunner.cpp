#include "ToolRunner.h"

#include "platform/system/Subprocess.h"

QString toolPath(const QString& name) { return QStringLiteral(QUENLARK_TOOLS_DIR) + QLatin1Char('/') + name; }

ToolRun runTool(const QString& name, const QStringList& args, const QByteArray& input) {
    const auto result =
        Subprocess::exec(toolPath(name), args, input.isEmpty() ? std::nullopt : std::optional<QByteArray>(input));
    return {result.status, QString::fromUtf8(result.output)};
}
