#include "platform/system/Subprocess.h"

#include "runtime/FileError.h"
#include "platform/system/ToolFailure.h"
#include "platform/files/Sys.h"
#include "runtime/Log.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace Subprocess {

namespace {

// Spawns the tool with `actions`; throws FileError when it cannot start.
pid_t spawnTool(const QString& tool, const QStringList& arguments, posix_spawn_file_actions_t& actions) {
    const QByteArray path = QFile::encodeName(tool);
    std::vector<QByteArray> storage;
    storage.reserve(arguments.size() + 1);
    storage.push_back(path);
    for (const QString& a : arguments)
        storage.push_back(a.toUtf8());
    std::vector<char*> argv;
    for (QByteArray& a : storage)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    // The child starts with default signal handling and no blocked signals.
    sigset_t none, all;
    sigemptyset(&none);
    sigfillset(&all);
    posix_spawnattr_setsigmask(&attr, &none);
    posix_spawnattr_setsigdefault(&attr, &all);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    pid_t pid = -1;
    const int rc = ::posix_spawn(&pid, path.constData(), &actions, &attr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attr);
    if (rc != 0)
        throw FileError(FileError::Op::Open, tool, rc);
    return pid;
}

int exitStatus(int status) {
    if (WIFEXITED(status))
        return WEXITSTATUS(status);
    if (WIFSIGNALED(status))
        return 128 + WTERMSIG(status);
    return -1;
}

} // namespace

Result exec(const QString& tool, const QStringList& arguments, const std::optional<QByteArray>& input) {
    // One pipe for both output streams keeps the tool's own interleaving.
    UniqueFd outRead, outWrite;
    if (!Sys::pipe(outRead, outWrite))
        throw FileError(FileError::Op::Open, tool, errno);

    // Input goes through a socket so that a tool exiting early gives EPIPE, not SIGPIPE.
    UniqueFd inParent, inChild;
    if (input) {
        if (!Sys::socketPair(inParent, inChild))
            throw FileError(FileError::Op::Open, tool, errno);
        ::shutdown(inParent.get(), SHUT_RD);
        ::shutdown(inChild.get(), SHUT_WR);
    } else {
        inChild = Sys::open("/dev/null", O_RDONLY | O_CLOEXEC);
        if (!inChild)
            throw FileError(FileError::Op::Open, QStringLiteral("/dev/null"), errno);
    }

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, inChild.get(), 0);
    posix_spawn_file_actions_adddup2(&actions, outWrite.get(), 1);
    posix_spawn_file_actions_adddup2(&actions, outWrite.get(), 2);
    const pid_t pid = spawnTool(tool, arguments, actions);
    outWrite.reset();
    inChild.reset();

    // Feed the input and drain the output together: a tool that answers before it has read
    // everything would otherwise block us both.
    Result result;
    qsizetype written = 0;
    if (input && input->isEmpty())
        inParent.reset();
    if (inParent)
        ::fcntl(inParent.get(), F_SETFL, O_NONBLOCK);
    char buffer[65536];
    for (;;) {
        pollfd fds[2];
        int n = 0;
        fds[n++] = {outRead.get(), POLLIN, 0};
        if (inParent)
            fds[n++] = {inParent.get(), POLLOUT, 0};
        if (Sys::poll(fds, nfds_t(n), -1) < 0)
            break;
        if (n == 2 && (fds[1].revents & (POLLOUT | POLLERR | POLLHUP))) {
            const ssize_t w =
                Sys::send(inParent.get(), input->constData() + written, size_t(input->size() - written), MSG_NOSIGNAL);
            if (w > 0)
                written += w;
            // The tool closed its input or everything is written: close our end.
            if ((w < 0 && errno != EAGAIN) || written == input->size())
                inParent.reset();
        }
        if (fds[0].revents & (POLLIN | POLLHUP | POLLERR)) {
            const ssize_t r = Sys::read(outRead.get(), buffer, sizeof buffer);
            if (r > 0)
                result.output.append(buffer, r);
            else if (r == 0 || errno != EAGAIN)
                break;
        }
    }
    inParent.reset();

    int status = 0;
    Sys::waitpid(pid, &status, 0);
    result.status = exitStatus(status);
    return result;
}

std::optional<int> start(const QString& tool, const QStringList& arguments, std::chrono::milliseconds wait) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    const pid_t pid = spawnTool(tool, arguments, actions);
    const auto until = std::chrono::steady_clock::now() + wait;
    for (;;) {
        int status = 0;
        if (Sys::waitpid(pid, &status, WNOHANG) == pid)
            return exitStatus(status);
        if (std::chrono::steady_clock::now() >= until)
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    // Still running: whoever waits for it is not to be held up, yet it must not stay a zombie.
    std::thread([pid] {
        int status = 0;
        Sys::waitpid(pid, &status, 0);
    }).detach();
    return std::nullopt;
}

QByteArray run(const QString& tool, const QStringList& arguments, const std::optional<QByteArray>& input) {
    Result result = exec(tool, arguments, input);
    if (result.status == 0)
        return result.output;
    throw ToolFailure(tool, result.status, QString::fromUtf8(result.output));
}

Output output(const QString& tool, const QStringList& arguments) {
    try {
        Result result = exec(tool, arguments);
        return {result.status, QString::fromUtf8(result.output)};
    } catch (const std::exception&) {
        Log::swallowed(lcPlatform(), "Starting a tool", std::current_exception());
        return {-1, QString()};
    }
}

} // namespace Subprocess
