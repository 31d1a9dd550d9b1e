#include "model/Launch.h"

#include "runtime/Url.h"

#include <QDir>
#include <QFileInfo>

namespace Launch {
namespace {

struct State {
    QStringList args;
    bool sandboxDone = false;
    std::optional<QString> sandbox;
    bool mockDone = false;
    std::optional<QUrl> mock;
};

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

const std::optional<QString>& sandbox() {
    auto& s = state();
    if (!s.sandboxDone) {
        s.sandboxDone = true;
        if (auto path = value(QStringLiteral("--sandbox")); path && !path->isEmpty())
            s.sandbox = Url::canonicalPath(QFileInfo(QDir::current(), *path).absoluteFilePath());
    }
    return s.sandbox;
}

const std::optional<QUrl>& mock() {
    auto& s = state();
    if (!s.mockDone) {
        s.mockDone = true;
        if (auto text = value(QStringLiteral("--mock")))
            s.mock = Url::parse(*text);
    }
    return s.mock;
}

void setArgsForTest(const QStringList& list) {
    auto& s = state();
    s = State{};
    s.args = list;
}

} // namespace Launch
