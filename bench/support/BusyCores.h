#pragma once

#include <algorithm>
#include <csignal>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

// Keeps every core busy with a spinning child process each, for as long as it lives.
class BusyCores {
public:
    BusyCores() {
        const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
        for (unsigned i = 0; i < cores; ++i) {
            const pid_t pid = ::fork();
            if (pid == 0) {
                volatile unsigned long spin = 0;
                for (;;)
                    spin = spin + 1;
            }
            if (pid > 0)
                children_.push_back(pid);
        }
    }
    ~BusyCores() {
        for (const pid_t pid : children_)
            ::kill(pid, SIGKILL);
        for (const pid_t pid : children_)
            ::waitpid(pid, nullptr, 0);
    }
    BusyCores(const BusyCores&) = delete;
    BusyCores& operator=(const BusyCores&) = delete;

private:
    std::vector<pid_t> children_;
};
