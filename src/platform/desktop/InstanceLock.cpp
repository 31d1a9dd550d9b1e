#include "platform/desktop/InstanceLock.h"

#include "platform/files/Sys.h"
#include "runtime/Log.h"

#include <QElapsedTimer>
#include <QFile>
#include <QThread>

#include <fcntl.h>
#include <sys/file.h>

InstanceLock::InstanceLock(const QString& socketPath, int waitMs) {
    // Without a private folder nothing is shared with other copies, and nothing needs a lock.
    if (socketPath.isEmpty())
        return;
    UniqueFd fd = Sys::open(QFile::encodeName(socketPath + QStringLiteral(".lock")),
                            O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (!fd)
        return;
    QElapsedTimer timer;
    timer.start();
    while (::flock(fd.get(), LOCK_EX | LOCK_NB) != 0) {
        if ((errno != EWOULDBLOCK && errno != EINTR) || timer.elapsed() >= waitMs) {
            qCWarning(lcPlatform) << "Another launch kept the instance lock; deciding without it.";
            return;
        }
        QThread::msleep(20);
    }
    fd_ = std::move(fd);
}

void InstanceLock::release() { fd_.reset(); }
