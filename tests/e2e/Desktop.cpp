#include "Desktop.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QProcess>
#include <QScreen>
#include <QThread>

using namespace Qt::Literals::StringLiterals;

namespace Desktop {

bool waitUntil(const std::function<bool()>& done, std::chrono::milliseconds limit) {
    QDeadlineTimer deadline(limit);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        QThread::msleep(20);
    }
    return true;
}

std::optional<QString> run(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(20000) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return std::nullopt;
    return QString::fromUtf8(process.readAllStandardOutput());
}

std::optional<WId> waitForWindow(const QString& title, std::chrono::milliseconds limit) {
    std::optional<WId> found;
    const QStringList search{u"search"_s, u"--onlyvisible"_s, u"--name"_s, u'^' + title + u'$'};
    waitUntil(
        [&] {
            // xdotool ends with a failure while nothing matches.
            if (const auto ids = run(u"xdotool"_s, search)) {
                bool number = false;
                const WId id = ids->section(u'\n', 0, 0).trimmed().toULongLong(&number);
                if (number)
                    found = id;
            }
            return found.has_value();
        },
        limit);
    return found;
}

bool activate(WId window) {
    return run(u"xdotool"_s, {u"windowactivate"_s, u"--sync"_s, QString::number(window)}).has_value();
}

bool close(WId window) { return run(u"wmctrl"_s, {u"-i"_s, u"-c"_s, QString::number(window)}).has_value(); }

bool press(const QString& chord) { return run(u"xdotool"_s, {u"key"_s, u"--clearmodifiers"_s, chord}).has_value(); }

bool click(QPoint point) {
    return run(u"xdotool"_s,
               {u"mousemove"_s, QString::number(point.x()), QString::number(point.y()), u"click"_s, u"1"_s})
        .has_value();
}

bool screenshot(WId window, const QString& path, std::chrono::milliseconds limit) {
    QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return false;
    QImage picture = screen->grabWindow(window).toImage();
    waitUntil(
        [&] {
            waitUntil([] { return false; }, std::chrono::seconds(1));
            QImage later = screen->grabWindow(window).toImage();
            std::swap(picture, later);
            return picture == later;
        },
        limit);
    QDir().mkpath(QFileInfo(path).absolutePath());
    return !picture.isNull() && picture.save(path, "PNG");
}

} // namespace Desktop
