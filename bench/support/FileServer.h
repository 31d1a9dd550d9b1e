#pragma once

#include <QFile>
#include <QString>

#include <arpa/inet.h>
#include <atomic>
#include <fcntl.h>
#include <netinet/in.h>
#include <string>
#include <sys/sendfile.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

// Serves one file to every connection with sendfile, so the server is never the bottleneck.
class FileServer {
public:
    explicit FileServer(QString path) : path_(std::move(path)) {
        listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address);
        ::listen(listener_, 8);
        socklen_t length = sizeof address;
        ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
        port_ = ntohs(address.sin_port);
        thread_ = std::thread([this] { serve(); });
    }
    ~FileServer() {
        stopping_ = true;
        ::shutdown(listener_, SHUT_RDWR);
        ::close(listener_);
        thread_.join();
    }
    QString url() const { return QStringLiteral("http://127.0.0.1:%1/Update.zip").arg(port_); }

private:
    void serve() {
        while (!stopping_) {
            const int client = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
            if (client < 0)
                return;
            std::string request;
            char buffer[4096];
            while (request.find("\r\n\r\n") == std::string::npos) {
                const ssize_t n = ::read(client, buffer, sizeof buffer);
                if (n <= 0)
                    break;
                request.append(buffer, size_t(n));
            }
            const int fd = ::open(QFile::encodeName(path_).constData(), O_RDONLY | O_CLOEXEC);
            struct stat st;
            ::fstat(fd, &st);
            const std::string head =
                "HTTP/1.1 200 OK\r\nContent-Type: application/zip\r\nContent-Length: " + std::to_string(st.st_size) +
                "\r\nConnection: close\r\n\r\n";
            ssize_t ignored = ::write(client, head.data(), head.size());
            (void)ignored;
            off_t offset = 0;
            while (offset < st.st_size) {
                if (::sendfile(client, fd, &offset, size_t(st.st_size - offset)) <= 0)
                    break;
            }
            ::close(fd);
            ::shutdown(client, SHUT_WR);
            ::close(client);
        }
    }

    QString path_;
    int listener_ = -1;
    int port_ = 0;
    std::atomic<bool> stopping_{false};
    std::thread thread_;
};
