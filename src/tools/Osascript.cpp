#include "tools/Osascript.h"

#include <QFile>
#include <QProcess>
#include <QTextStream>
#include <QUuid>

#include <cstdio>
#include <cstdlib>

namespace Osascript {
namespace {

class Reader {
public:
    explicit Reader(const QString& text) : s_(text) {}

    void spaces() {
        while (i_ < s_.size() && (s_[i_] == u' ' || s_[i_] == u'\t' || s_[i_] == u'\n' || s_[i_] == u'\r'))
            ++i_;
    }

    // The words of the form, separated by any run of blanks.
    bool words(const char* phrase) {
        for (const QString& word : QString::fromLatin1(phrase).split(u' ')) {
            spaces();
            if (s_.mid(i_, word.size()) != word)
                return false;
            i_ += word.size();
            if (i_ < s_.size() && (s_[i_].isLetterOrNumber() || s_[i_] == u'_'))
                return false;
        }
        return true;
    }

    std::optional<QString> literal() {
        spaces();
        if (i_ >= s_.size() || s_[i_] != u'"')
            return std::nullopt;
        ++i_;
        QString out;
        while (i_ < s_.size()) {
            const QChar c = s_[i_++];
            if (c == u'"')
                return out;
            if (c != u'\\') {
                out += c;
                continue;
            }
            if (i_ >= s_.size())
                return std::nullopt;
            const QChar e = s_[i_++];
            if (e == u'\\' || e == u'"')
                out += e;
            else if (e == u'n')
                out += u'\n';
            else if (e == u't')
                out += u'\t';
            else if (e == u'r')
                out += u'\r';
            else
                return std::nullopt;
        }
        return std::nullopt;
    }

    bool peekWords(const char* phrase) {
        const qsizetype saved = i_;
        const bool found = words(phrase);
        i_ = saved;
        return found;
    }

    bool atEnd() {
        spaces();
        return i_ == s_.size();
    }

private:
    const QString& s_;
    qsizetype i_ = 0;
};

} // namespace

std::optional<Script> parse(const QString& text) {
    Reader r(text);
    Script script;
    if (!r.words("do shell script"))
        return std::nullopt;
    auto line = r.literal();
    if (!line)
        return std::nullopt;
    script.line = *line;
    if (r.peekWords("with prompt")) {
        r.words("with prompt");
        auto prompt = r.literal();
        if (!prompt)
            return std::nullopt;
        script.prompt = *prompt;
    }
    if (!r.words("with administrator privileges") || !r.atEnd())
        return std::nullopt;
    return script;
}

} // namespace Osascript

namespace {

// Tests may name a stand-in for pkexec; it runs with the caller's rights like any program.
QString pkexec() {
    const char* path = std::getenv("QUENLARK_PKEXEC");
    return path && *path ? QFile::decodeName(path) : QStringLiteral("/usr/bin/pkexec");
}

constexpr int lineBound = 30 * 60 * 1000;

int fail(qsizetype length, const QString& message, int number) {
    QTextStream err(stderr);
    err << "0:" << length << ": execution error: " << message << " (" << number << ")\n";
    return 1;
}

} // namespace

int osascriptMain(const QStringList& args) {
    QString text;
    if (args == QStringList{QStringLiteral("-")}) {
        QFile in;
        if (!in.open(stdin, QIODevice::ReadOnly))
            return 1;
        text = QString::fromUtf8(in.readAll());
    } else if (args.size() == 2 && args[0] == u"-e") {
        text = args[1];
    } else {
        std::fputs("usage: osascript -\n", stderr);
        return 1;
    }
    const qsizetype length = text.trimmed().size();
    const auto script = Osascript::parse(text);
    if (!script) {
        QTextStream err(stderr);
        err << "0:" << length
            << ": syntax error: Only \"do shell script ... with administrator privileges\" "
               "can be run here. (-2741)\n";
        return 1;
    }
    const char* elevation = std::getenv("QUENLARK_ELEVATION");
    const bool unprivileged = elevation && QByteArray(elevation) == "unprivileged";
    QProcess process;
    // Under the elevation the line runs inside a shell that reports its status after a token of
    // this run: only without that report does a status come from the elevation itself, so a
    // line whose own command exits 126 is not taken for a dismissed prompt.
    const QString token = QStringLiteral("quenlark-status-") + QUuid::createUuid().toString(QUuid::Id128);
    if (unprivileged)
        process.start(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), script->line});
    else
        process.start(pkexec(),
                      {QStringLiteral("/bin/sh"), QStringLiteral("-c"),
                       QStringLiteral("/bin/sh -c \"$1\"; s=$?; printf '\\n%s %d\\n' \"$2\" \"$s\" >&2; exit \"$s\""),
                       QStringLiteral("sh"), script->line, token});
    process.closeWriteChannel();
    if (!process.waitForStarted(-1))
        return fail(length, QStringLiteral("Administrator rights could not be obtained."), 127);
    // As long as the application waits for an administrator run, and not for good.
    if (!process.waitForFinished(lineBound)) {
        process.kill();
        process.waitForFinished(5000);
        return fail(length, QStringLiteral("The command didn't finish in time."), 128 + 9);
    }
    const QByteArray output = process.readAllStandardOutput();
    QByteArray error = process.readAllStandardError();
    bool ranLine = unprivileged;
    if (!unprivileged) {
        const QByteArray mark = "\n" + token.toUtf8() + ' ';
        const qsizetype at = error.lastIndexOf(mark);
        if (at >= 0 && error.indexOf('\n', at + 1) == error.size() - 1) {
            ranLine = true;
            error.truncate(at);
        }
    }
    if (process.exitStatus() != QProcess::NormalExit)
        return fail(length, QStringLiteral("The command exited with a non-zero status."), 128 + 9);
    const int status = process.exitCode();
    if (status == 0) {
        // The result of "do shell script": its output without the final line break.
        QByteArray result = output;
        if (result.endsWith('\n'))
            result.chop(1);
        std::fwrite(result.constData(), 1, size_t(result.size()), stdout);
        std::fputc('\n', stdout);
        return 0;
    }
    if (!ranLine && status == 126)
        return fail(length, QStringLiteral("User canceled."), -128);
    if (!ranLine && status == 127)
        return fail(length, QStringLiteral("Administrator rights could not be obtained."), 127);
    QString message = QString::fromUtf8(error).trimmed();
    if (message.isEmpty())
        message = QStringLiteral("The command exited with a non-zero status.");
    return fail(length, message, status);
}
