#pragma once

#include <QCoro/QCoroTask>
#include <QDBusConnection>
#include <QString>

#include <functional>

// Shows a file in the desktop's file manager with the file selected
// (org.freedesktop.FileManager1.ShowItems); where no file manager answers, the folder that
// holds it is opened instead.
class FileManager {
public:
    static inline const QString serviceName = QStringLiteral("org.freedesktop.FileManager1");

    FileManager();
    // Another bus or service name, for tests; `openFolder` stands for the desktop's opener.
    FileManager(QDBusConnection bus, QString service, std::function<bool(const QString& folder)> openFolder);

    // Gives whether the file manager took the request (false: the folder was opened instead).
    QCoro::Task<bool> reveal(QString path);

private:
    QDBusConnection bus_;
    QString service_;
    std::function<bool(const QString&)> openFolder_;
};
