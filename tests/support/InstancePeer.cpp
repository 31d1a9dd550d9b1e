// A stranger on the single-instance socket, for tests that run it as another user (setpriv).
//   quenlark-instance-peer listen <bundle> <socket>...  greets every caller as a copy of
//       <bundle>, acknowledges every line and prints it; says "ready" once it listens.
//   quenlark-instance-peer call <socket> <line>  prints the greeting it got (or "no greeting")
//       and sends the line.
// Plain POSIX, so that it runs under any uid without Qt's per-user folders.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

sockaddr_un addressOf(const char* path) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path, sizeof address.sun_path - 1);
    return address;
}

// One line within two seconds, without its end; empty when none came.
std::string readLine(int fd) {
    std::string line;
    char c = 0;
    pollfd p{fd, POLLIN, 0};
    while (::poll(&p, 1, 2000) == 1 && ::read(fd, &c, 1) == 1 && c != '\n')
        line += c;
    return line;
}

void say(const std::string& text) {
    std::fputs((text + "\n").c_str(), stdout);
    std::fflush(stdout);
}

int listenOn(const std::string& bundle, const std::vector<const char*>& paths) {
    std::vector<pollfd> listeners;
    for (const char* path : paths) {
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        const sockaddr_un address = addressOf(path);
        if (::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 || ::listen(fd, 8) != 0) {
            std::perror(path);
            return 1;
        }
        ::chmod(path, 0777);
        listeners.push_back({fd, POLLIN, 0});
    }
    say("ready");
    const std::string greeting =
        "{\"bundle\":\"" + bundle + "\",\"pid\":" + std::to_string(::getpid()) + ",\"version\":\"99\"}\n";
    for (;;) {
        if (::poll(listeners.data(), listeners.size(), -1) <= 0)
            continue;
        for (pollfd& listener : listeners) {
            if (!(listener.revents & POLLIN))
                continue;
            const int client = ::accept(listener.fd, nullptr, nullptr);
            if (client < 0)
                continue;
            ::send(client, greeting.data(), greeting.size(), MSG_NOSIGNAL);
            for (std::string line = readLine(client); !line.empty(); line = readLine(client)) {
                say(line);
                ::send(client, "{\"ok\":true}\n", 12, MSG_NOSIGNAL);
            }
            ::close(client);
        }
    }
}

int call(const char* path, const std::string& line) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    const sockaddr_un address = addressOf(path);
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        say("no connection");
        return 1;
    }
    const std::string greeting = readLine(fd);
    say(greeting.empty() ? "no greeting" : "greeting " + greeting);
    const std::string out = line + "\n";
    ::send(fd, out.data(), out.size(), MSG_NOSIGNAL);
    const std::string answer = readLine(fd);
    say(answer.empty() ? "no answer" : "answer " + answer);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc >= 4 && std::strcmp(argv[1], "listen") == 0)
        return listenOn(argv[2], std::vector<const char*>(argv + 3, argv + argc));
    if (argc == 4 && std::strcmp(argv[1], "call") == 0)
        return call(argv[2], argv[3]);
    std::fputs("usage: quenlark-instance-peer listen <bundle> <socket>... | call <socket> <line>\n", stderr);
    return 2;
}
