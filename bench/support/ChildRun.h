#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QStringList>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>
#include <utility>
#include <vector>

extern char** environ;

// Starts `program` with `arguments`, its standard streams on /dev/null; its pid, or -1.
inline pid_t spawnSilently(const QString& program, const QStringList& arguments) {
    std::vector<QByteArray> args{QFile::encodeName(program)};
    for (const QString& a : arguments)
        args.push_back(QFile::encodeName(a));
    std::vector<char*> argv;
    for (QByteArray& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    const int spawned = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    return spawned == 0 ? pid : -1;
}

// One run of a program as a child process, its output discarded: the wall time, its page faults
// (from wait4: its own, exact) and, sampled every millisecond from /proc while it runs, the peak
// of its anonymous memory (RssAnon: the kernel keeps no peak of it) and its resident peak
// (VmHWM; wait4's maxrss would count the parent's memory before the exec).
struct ChildRun {
    bool ok = false;
    double seconds = 0;
    long peakAnonKiB = 0;
    long residentPeakKiB = 0;
    long minorFaults = 0;
    long majorFaults = 0;

    static ChildRun of(const QString& program, const QStringList& arguments) {
        ChildRun run;
        const auto start = std::chrono::steady_clock::now();
        const pid_t pid = spawnSilently(program, arguments);
        if (pid <= 0)
            return run;
        // A pidfd wakes the wait the moment the child ends, so no sampling delay is timed.
        const int pidfd = int(::syscall(SYS_pidfd_open, pid, 0));
        const QByteArray statusPath = "/proc/" + QByteArray::number(pid) + "/status";
        int status = 0;
        rusage usage{};
        for (;;) {
            const pid_t done = ::wait4(pid, &status, WNOHANG, &usage);
            if (done == pid)
                break;
            if (done < 0)
                return run;
            const auto [anon, resident] = memoryKiB(statusPath.constData());
            run.peakAnonKiB = std::max(run.peakAnonKiB, anon);
            run.residentPeakKiB = std::max(run.residentPeakKiB, resident);
            if (pidfd >= 0) {
                pollfd p{pidfd, POLLIN, 0};
                ::poll(&p, 1, 1);
            } else {
                ::usleep(1000);
            }
        }
        run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (pidfd >= 0)
            ::close(pidfd);
        run.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
        run.minorFaults = usage.ru_minflt;
        run.majorFaults = usage.ru_majflt;
        return run;
    }

    // Runs in turn, as one: times and faults add up, peaks are the largest.
    ChildRun& then(const ChildRun& next) {
        ok = ok && next.ok;
        seconds += next.seconds;
        peakAnonKiB = std::max(peakAnonKiB, next.peakAnonKiB);
        residentPeakKiB = std::max(residentPeakKiB, next.residentPeakKiB);
        minorFaults += next.minorFaults;
        majorFaults += next.majorFaults;
        return *this;
    }

private:
    // RssAnon and VmHWM.
    static std::pair<long, long> memoryKiB(const char* statusPath) {
        std::FILE* file = std::fopen(statusPath, "r");
        if (!file)
            return {0, 0};
        char line[256];
        long anon = 0, resident = 0;
        while (std::fgets(line, sizeof line, file)) {
            if (std::strncmp(line, "RssAnon:", 8) == 0)
                anon = std::atol(line + 8);
            else if (std::strncmp(line, "VmHWM:", 6) == 0)
                resident = std::atol(line + 6);
        }
        std::fclose(file);
        return {anon, resident};
    }
};
