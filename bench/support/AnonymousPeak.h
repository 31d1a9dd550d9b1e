#pragma once

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <thread>

// The peak of the process's anonymous resident memory (RssAnon) while it watches, sampled every
// millisecond. RSS would also count clean page cache of mapped files, which costs nothing.
class AnonymousPeak {
public:
    AnonymousPeak() : start_(currentKiB()), peak_(start_) {
        sampler_ = std::thread([this] {
            while (!stop_.load(std::memory_order_relaxed)) {
                sample();
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
        });
    }
    ~AnonymousPeak() { stopped(); }
    AnonymousPeak(const AnonymousPeak&) = delete;
    AnonymousPeak& operator=(const AnonymousPeak&) = delete;

    // Peak above the memory at construction, in MiB; stops watching.
    double aboveStartMiB() {
        stopped();
        return double(peak_.load() - start_) / 1024.0;
    }

    static long currentKiB() {
        std::FILE* status = std::fopen("/proc/self/status", "r");
        if (!status)
            return 0;
        char line[256];
        long kib = 0;
        while (std::fgets(line, sizeof line, status)) {
            if (std::strncmp(line, "RssAnon:", 8) == 0) {
                kib = std::atol(line + 8);
                break;
            }
        }
        std::fclose(status);
        return kib;
    }

private:
    void sample() {
        const long now = currentKiB();
        long seen = peak_.load(std::memory_order_relaxed);
        while (now > seen && !peak_.compare_exchange_weak(seen, now)) {}
    }
    void stopped() {
        if (sampler_.joinable()) {
            stop_ = true;
            sampler_.join();
            sample();
        }
    }

    long start_;
    std::atomic<long> peak_;
    std::atomic<bool> stop_{false};
    std::thread sampler_;
};
