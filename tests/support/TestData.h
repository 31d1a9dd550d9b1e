#pragma once

#include <QByteArray>
#include <QFile>
#include <QJsonDocument>
#include <QJsonParseError>
#include <QString>

#include <stdexcept>

// The real documents other projects published, kept in tests/data/real-feeds (its SOURCES.md says
// where each came from). A file that can not be read or parsed throws, so the test that wanted it
// fails with its own name and the sentence instead of reading on from an empty document.

inline QString realFeedsFolder() { return QStringLiteral(QUENLARK_TEST_DATA_DIR "/real-feeds"); }

inline QString realFeedPath(const QString& name) { return realFeedsFolder() + u'/' + name; }

inline QByteArray realFeed(const QString& name) {
    QFile file(realFeedPath(name));
    if (!file.open(QIODevice::ReadOnly))
        throw std::runtime_error(QStringLiteral("The test document %1 could not be read: %2.")
                                     .arg(file.fileName(), file.errorString())
                                     .toStdString());
    return file.readAll();
}

inline QByteArray realFeed(const char* name) { return realFeed(QString::fromUtf8(name)); }

inline QJsonDocument realJson(const char* name) {
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(realFeed(name), &error);
    if (error.error != QJsonParseError::NoError)
        throw std::runtime_error(QStringLiteral("The test document %1 is not JSON: %2.")
                                     .arg(QString::fromUtf8(name), error.errorString())
                                     .toStdString());
    return document;
}
