#include "runtime/AuthError.h"
#include "runtime/Cancelled.h"
#include "runtime/CheckError.h"
#include "runtime/Describe.h"
#include "runtime/FileError.h"
#include "runtime/ParseError.h"
#include "runtime/TransportError.h"
#include "runtime/UpdateError.h"

#include <gtest/gtest.h>

#include <QSet>

#include <cerrno>
#include <stdexcept>

namespace {
template <typename E>
std::exception_ptr thrown(E e) {
    return std::make_exception_ptr(std::move(e));
}

using Kind = TransportError::Kind;
const Kind allKinds[] = {Kind::TimedOut,         Kind::HostNotFound, Kind::ConnectionRefused,
                         Kind::ConnectionLost,   Kind::Secure,       Kind::UnsafeRedirect,
                         Kind::TooManyRedirects, Kind::Unsupported,  Kind::Offline,
                         Kind::Cancelled,        Kind::Other};
using Op = FileError::Op;
const Op allOps[] = {Op::Read, Op::Write, Op::Create, Op::Remove, Op::Move,
                     Op::Copy, Op::List,  Op::Link,   Op::Stat,   Op::Open};
} // namespace

TEST(Describe, GivesEachKindOfErrorItsSentence) {
    struct Case {
        std::exception_ptr error;
        QString text;
        bool cancellation;
    };
    const Case cases[] = {
        {thrown(Error(QStringLiteral("Something went wrong."))), "Something went wrong.", false},
        {thrown(CheckError(QStringLiteral("No release found"))), "No release found", false},
        {thrown(UpdateError(QStringLiteral("The update couldn't be verified."), {.needsPermission = true})),
         "The update couldn't be verified.", false},
        {thrown(AuthError(QStringLiteral("Wrong password."), QStringLiteral("INVALID_PASSWORD"))), "Wrong password.",
         false},
        {thrown(TransportError(Kind::TimedOut, QStringLiteral("https://x/?key=secret"))), "The request timed out.",
         false},
        {thrown(TransportError(Kind::Cancelled)), "The request was cancelled.", true},
        {thrown(FileError(Op::Remove, QStringLiteral("/Applications/Foo.app"), ENOENT)), "The file doesn't exist.",
         false},
        {thrown(ParseError()), "The data couldn't be read because it isn't in the correct format.", false},
        {thrown(Cancelled()), "The operation was cancelled.", true},
        {thrown(std::runtime_error("plain")), "plain", false},
        {thrown(42), "An unknown error occurred.", false},
        {nullptr, "", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(describe(c.error), c.text);
        EXPECT_EQ(isCancellation(c.error), c.cancellation) << c.text.toStdString();
    }
    // what() is the sentence in UTF-8 whatever the locale.
    const Error typographic(QStringLiteral("The app can’t be opened."));
    EXPECT_STREQ(typographic.what(), "The app can\u2019t be opened.");
}

TEST(Describe, TransportAndFileSentencesAreOurOwnAndNeverNameTheAddressOrPath) {
    const QString url = QStringLiteral("https://user:pw@host.example/feed.xml?key=SECRET");
    QSet<QString> transport;
    for (Kind kind : allKinds) {
        const QString text = TransportError(kind, url).description();
        EXPECT_TRUE(text.endsWith(QLatin1Char('.'))) << text.toStdString();
        for (const char* part : {"http", "host.example", "SECRET", "feed"})
            EXPECT_FALSE(text.contains(QLatin1String(part))) << text.toStdString();
        transport.insert(text);
    }
    EXPECT_EQ(transport.size(), int(std::size(allKinds))); // each kind reads differently

    const QString path = QStringLiteral("/home/someone/Applications/Secret Tool.app");
    for (Op op : allOps) {
        for (int error :
             {0, ENOENT, EACCES, EPERM, ENOSPC, EDQUOT, EROFS, EEXIST, ENOTEMPTY, EXDEV, ENAMETOOLONG, EIO, EBUSY}) {
            const QString text = FileError(op, path, error).description();
            EXPECT_TRUE(text.endsWith(QLatin1Char('.'))) << text.toStdString();
            for (const char* part : {"/home", "someone", "Secret", "Tool.app"})
                EXPECT_FALSE(text.contains(QLatin1String(part))) << text.toStdString();
        }
    }
    // Reading is not changing.
    EXPECT_EQ(FileError(Op::Read, path, EACCES).description(),
              QStringLiteral("You don't have permission to open the file."));
    EXPECT_EQ(FileError(Op::Remove, path, EACCES).description(),
              QStringLiteral("You don't have permission to change the file."));
}
