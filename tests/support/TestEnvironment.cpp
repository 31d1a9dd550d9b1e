#include "TestEnvironment.h"

#include <QDir>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <pwd.h>
#include <string>
#include <unistd.h>

namespace TestEnvironment {
namespace {
std::string rootPath;
}

bool isolate() {
    const char* base = std::getenv("TMPDIR");
    std::string root = std::string(base && *base ? base : "/tmp") + "/quenlark-test-XXXXXX";
    if (!mkdtemp(root.data())) {
        perror("mkdtemp");
        return false;
    }
    rootPath = root;
    const auto sub = [&](const char* name) {
        std::string path = root + "/" + name;
        QDir().mkpath(QString::fromStdString(path));
        return path;
    };
    setenv("HOME", sub("home").c_str(), 1);
    setenv("XDG_CONFIG_HOME", sub("home/.config").c_str(), 1);
    setenv("XDG_CACHE_HOME", sub("home/.cache").c_str(), 1);
    setenv("XDG_DATA_HOME", sub("home/.local/share").c_str(), 1);
    setenv("XDG_STATE_HOME", sub("home/.local/state").c_str(), 1);
    setenv("TMPDIR", sub("tmp").c_str(), 1);
    setenv("TZ", "UTC", 1);
    setenv("LANG", "en_US.UTF-8", 1);
    setenv("LC_ALL", "C.UTF-8", 1);
    tzset();
    return true;
}

QString root() { return QString::fromStdString(rootPath); }

QString realHome() {
    const passwd* entry = getpwuid(getuid());
    return entry && entry->pw_dir ? QString::fromLocal8Bit(entry->pw_dir) : QString();
}

void cleanUp() {
    if (!rootPath.empty())
        QDir(QString::fromStdString(rootPath)).removeRecursively();
}

} // namespace TestEnvironment
