#include "model/ThisMac.h"

#include "model/Launch.h"
#include "model/Prefs.h"
#include "platform/system/Defaults.h"
#include "runtime/StreamingHash.h"

#include <QFile>
#include <QMutex>
#include <QSysInfo>
#include <QUuid>

#include <optional>

namespace ThisMac {
namespace {

QString& root() {
    static QString path;
    return path;
}

QMutex& hashLock() {
    static QMutex lock;
    return lock;
}

std::optional<QString>& fixedHash() {
    static std::optional<QString> hash;
    return hash;
}

// Small system files only: the name, model and id files are a line each.
QByteArray readSystemFile(const char* path) {
    QFile file(root() + QLatin1String(path));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.read(64 * 1024);
}

// A value of a shell-style assignment as the machine-info file writes it: unquoted, or in
// single or double quotes (backslash escapes inside double quotes and unquoted).
QString unquote(const QString& raw) {
    QString out;
    QChar quote;
    for (qsizetype i = 0; i < raw.size(); ++i) {
        const QChar c = raw.at(i);
        if (!quote.isNull()) {
            if (c == quote)
                quote = QChar();
            else if (c == u'\\' && quote == u'"' && i + 1 < raw.size())
                out += raw.at(++i);
            else
                out += c;
        } else if (c == u'"' || c == u'\'') {
            quote = c;
        } else if (c == u'\\' && i + 1 < raw.size()) {
            out += raw.at(++i);
        } else if (c == u'#' && (i == 0 || raw.at(i - 1).isSpace())) {
            break;
        } else {
            out += c;
        }
    }
    return out.trimmed();
}

QString prettyHostName() {
    const auto text = QString::fromUtf8(readSystemFile("/etc/machine-info"));
    QString found;
    for (const auto& line : text.split(u'\n')) {
        const auto trimmed = line.trimmed();
        if (trimmed.startsWith(QLatin1String("PRETTY_HOSTNAME=")))
            found = unquote(trimmed.mid(16)); // the last assignment wins, as in a shell
    }
    return found.normalized(QString::NormalizationForm_C);
}

std::optional<QString> machineID() {
    const auto id = QString::fromUtf8(readSystemFile("/etc/machine-id")).section(u'\n', 0, 0).trimmed();
    // systemd writes "uninitialized" while the first boot has not committed an id yet.
    if (id.isEmpty() || id == QLatin1String("uninitialized"))
        return std::nullopt;
    return id;
}

} // namespace

QString name() { return name(Prefs::shared().deviceName()); }

QString name(const QString& deviceName) { return deviceName.isEmpty() ? computerName() : deviceName; }

QString computerName() {
    if (auto pretty = prettyHostName(); !pretty.isEmpty())
        return pretty;
    if (auto host = QSysInfo::machineHostName(); !host.isEmpty())
        return host;
    return QStringLiteral("This Mac");
}

QString model() {
    auto bytes = readSystemFile("/sys/class/dmi/id/product_name");
    if (const auto zero = bytes.indexOf('\0'); zero >= 0)
        bytes.truncate(zero);
    return QString::fromUtf8(bytes).trimmed();
}

QString deviceID() {
    if (auto given = Launch::value(QStringLiteral("--device-id")))
        return *given;
    // The standard domain also when the settings live in the sandbox suite.
    const auto defaults = Defaults::standard();
    if (auto stored = defaults->string(QStringLiteral("deviceID")))
        return *stored;
    const QString made = QLatin1Char('d') + QUuid::createUuid().toString(QUuid::Id128).toLower();
    defaults->set(QStringLiteral("deviceID"), made);
    return made;
}

QString hashedID(const QString& id) {
    const QByteArray text = QByteArray("quenlark:") + id.toUtf8();
    return QString::fromLatin1(StreamingHash::of(StreamingHash::Algorithm::Sha256, text).toHex());
}

QString platformHardwareID() {
    QMutexLocker locker(&hashLock());
    auto& hash = fixedHash();
    if (!hash) {
        const auto id = machineID();
        hash = hashedID(id ? *id : deviceID());
    }
    return *hash;
}

void setRootForTest(const QString& path) {
    QMutexLocker locker(&hashLock());
    root() = path;
    fixedHash().reset();
}

} // namespace ThisMac
