#include "library/CloudValue.h"
#include "library/JsonText.h"

#include "QtPrinters.h"

#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QTimeZone>

using namespace Qt::Literals::StringLiterals;

namespace {

// What Qt's own writer makes of a value, the form the bodies had when they were built from
// Qt's JSON objects.
QByteArray qtText(const QJsonValue& value) {
    const QByteArray array = QJsonDocument(QJsonArray{value}).toJson(QJsonDocument::Compact);
    return array.mid(1, array.size() - 2);
}

} // namespace

// Strings and times come out byte for byte as Qt writes them, so the server reads the same.
TEST(JsonText, StringsAndTimesAsQtWritesThem) {
    const QString strings[] = {
        u""_s,
        u"plain ascii"_s,
        u"quote \" backslash \\ slash / <tag>"_s,
        u"\b\f\n\r\t"_s,
        QString::fromUtf16(u"\x01\x1b\x1f\x7f"),
        u"caf\u00e9 \u65e5\u672c \u2028 \U0001F600"_s,
        QString(QChar(0xd800)) + u"x"_s,        // an unpaired high surrogate
        u"x"_s + QString(QChar(0xdc00)),        // an unpaired low surrogate
        QString(QChar(0xdc00)) + QChar(0xd800), // a pair in the wrong order
        QString(300, u'\n'),                    // the worst case of growth
    };
    JsonText all;
    QByteArray expected;
    for (const QString& text : strings) {
        JsonText one;
        one.string(text);
        EXPECT_EQ(one.take(), qtText(text)) << text.toStdString();
        all.string(text).raw(',');
        expected += qtText(text) + ',';
    }
    EXPECT_EQ(all.take(), expected);

    const QDateTime times[] = {
        QDateTime(QDate(2026, 3, 4), QTime(5, 6, 7, 999), Qt::UTC),
        QDateTime(QDate(2024, 2, 29), QTime(23, 59, 59), Qt::UTC),
        QDateTime(QDate(1969, 12, 31), QTime(23, 59, 59, 500), Qt::UTC), // before the epoch
        QDateTime(QDate(1, 1, 1), QTime(0, 0), Qt::UTC),
        QDateTime(QDate(9999, 12, 31), QTime(23, 59, 59), Qt::UTC),
        QDateTime(QDate(2026, 3, 4), QTime(5, 6, 7), QTimeZone(3600)), // written in UTC
    };
    for (const QDateTime& at : times) {
        JsonText out;
        CloudValue::date(at).write(out);
        const QDateTime whole = QDateTime::fromSecsSinceEpoch(at.toSecsSinceEpoch(), Qt::UTC);
        EXPECT_EQ(out.take(), "{\"timestampValue\":" + qtText(whole.toString(Qt::ISODate)) + "}")
            << at.toString().toStdString();
    }
}
