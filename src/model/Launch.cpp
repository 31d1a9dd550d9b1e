#include "model/Launch.h"

#include "runtime/Url.h"

#include <QDir>
#include <QFileInfo>

#include <mutex>

namespace Launch {
namespace {

// `args` is set once before anything reads it; the values worked out from it are made once, on
// the first read from whichever thread, under `mutex`.
struct State {
    std::mutex mutex;
    QStringList args;
    bool sandboxDone = false;
    std::optional<QString> sandbox;
    bool mockDone = false;
    std::optional<QUrl> mock;
};

// The options read with value(); their values are never operands.
bool takesValue(const QString& option) {
    static const QStringList valued{QStringLiteral("--sandbox"),        QStringLiteral("--mock"),
                                    QStringLiteral("--appearance"),     QStringLiteral("--device-id"),
                                    QStringLiteral("--notch-delay"),    QStringLiteral("--notch-idle"),
                                    QStringLiteral("--firebase-config")};
    return valued.contains(option);
}

State& state() {
    static State s;
    return s;
}

} // namespace

void init(int argc, char** argv) {
    QStringList list;
    for (int i = 1; i < argc; ++i)
        list.append(QString::fromLocal8Bit(argv[i]));
    setArgsForTest(list);
}

const QStringList& args() { return state().args; }

bool has(const QString& flag) { return state().args.contains(flag); }

std::optional<QString> value(const QString& flag) {
    const auto& list = state().args;
    const auto index = list.indexOf(flag);
    if (index < 0 || index + 1 >= list.size())
        return std::nullopt;
    return list.at(index + 1);
}

QStringList operands(const QStringList& args) {
    QStringList found;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& argument = args.at(i);
        if (takesValue(argument))
            ++i;
        else if (!argument.startsWith(QLatin1Char('-')))
            found.append(argument);
    }
    return found;
}

const std::optional<QString>& sandbox() {
    auto& s = state();
    const std::lock_guard lock(s.mutex);
    if (!s.sandboxDone) {
        if (auto path = value(QStringLiteral("--sandbox")); path && !path->isEmpty())
            s.sandbox = Url::canonicalPath(QFileInfo(QDir::current(), *path).absoluteFilePath());
        s.sandboxDone = true;
    }
    return s.sandbox;
}

const std::optional<QUrl>& mock() {
    auto& s = state();
    const std::lock_guard lock(s.mutex);
    if (!s.mockDone) {
        if (auto text = value(QStringLiteral("--mock")))
            s.mock = Url::parse(*text);
        s.mockDone = true;
    }
    return s.mock;
}

void setArgsForTest(const QStringList& list) {
    auto& s = state();
    const std::lock_guard lock(s.mutex);
    s.args = list;
    s.sandboxDone = s.mockDone = false;
    s.sandbox.reset();
    s.mock.reset();
}

} // namespace Launch
