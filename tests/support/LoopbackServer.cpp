#include "LoopbackServer.h"

#include <QDir>
#include <QFile>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QStandardPaths>

#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <cctype>
#include <stdexcept>

namespace {

struct TlsFiles {
    QString certificate;
    QString key;
};

QByteArray pemOf(int (*write)(BIO*, void*), void* object) {
    BIO* bio = BIO_new(BIO_s_mem());
    write(bio, object);
    char* data = nullptr;
    const long size = BIO_get_mem_data(bio, &data);
    QByteArray bytes(data, int(size));
    BIO_free(bio);
    return bytes;
}

// A self-signed certificate for 127.0.0.1, made once per test process.
const TlsFiles& tlsFiles() {
    static const TlsFiles files = [] {
        EVP_PKEY* key = EVP_EC_gen("P-256");
        X509* certificate = X509_new();
        X509_set_version(certificate, 2);
        ASN1_INTEGER_set(X509_get_serialNumber(certificate), 1);
        X509_NAME* name = X509_get_subject_name(certificate);
        X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC, reinterpret_cast<const unsigned char*>("127.0.0.1"), -1,
                                   -1, 0);
        X509_set_issuer_name(certificate, name);
        X509_gmtime_adj(X509_getm_notBefore(certificate), -3600);
        X509_gmtime_adj(X509_getm_notAfter(certificate), 86400);
        X509_set_pubkey(certificate, key);
        X509V3_CTX ctx;
        X509V3_set_ctx(&ctx, certificate, certificate, nullptr, nullptr, 0);
        for (const auto& [nid, value] :
             {std::pair{NID_subject_alt_name, "IP:127.0.0.1"}, std::pair{NID_basic_constraints, "critical,CA:TRUE"}}) {
            X509_EXTENSION* extension = X509V3_EXT_conf_nid(nullptr, &ctx, nid, value);
            X509_add_ext(certificate, extension, -1);
            X509_EXTENSION_free(extension);
        }
        X509_sign(certificate, key, EVP_sha256());
        const QString folder = QDir::tempPath() + QStringLiteral("/loopback-tls");
        QDir().mkpath(folder);
        TlsFiles made{folder + QStringLiteral("/cert.pem"), folder + QStringLiteral("/key.pem")};
        QFile out(made.certificate);
        out.open(QIODevice::WriteOnly);
        out.write(pemOf([](BIO* bio, void* x) { return PEM_write_bio_X509(bio, static_cast<X509*>(x)); }, certificate));
        out.close();
        QFile keyOut(made.key);
        keyOut.open(QIODevice::WriteOnly);
        keyOut.write(pemOf(
            [](BIO* bio, void* k) {
                return PEM_write_bio_PrivateKey(bio, static_cast<EVP_PKEY*>(k), nullptr, nullptr, 0, nullptr, nullptr);
            },
            key));
        X509_free(certificate);
        EVP_PKEY_free(key);
        return made;
    }();
    return files;
}

bool sameName(const std::string& a, const std::string& b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}
} // namespace

std::string LoopbackServer::Request::header(const std::string& name) const {
    for (const auto& [key, value] : headers)
        if (sameName(key, name))
            return value;
    return {};
}

bool LoopbackServer::Request::hasHeader(const std::string& name) const {
    for (const auto& [key, value] : headers)
        if (sameName(key, name))
            return true;
    return false;
}

void LoopbackServer::trustTls() {
    QFile file(tlsFiles().certificate);
    file.open(QIODevice::ReadOnly);
    QSslConfiguration configuration = QSslConfiguration::defaultConfiguration();
    configuration.addCaCertificates(QSslCertificate::fromData(file.readAll()));
    QSslConfiguration::setDefaultConfiguration(configuration);
}

LoopbackServer::LoopbackServer(int maxRequests, std::chrono::seconds lifetime, Scheme scheme)
    : scheme_(scheme), maxRequests_(maxRequests), lifetime_(lifetime) {
    if (scheme == Scheme::Https) {
        const TlsFiles& files = tlsFiles();
        server_ = std::make_unique<httplib::SSLServer>(QFile::encodeName(files.certificate).constData(),
                                                       QFile::encodeName(files.key).constData());
    } else {
        server_ = std::make_unique<httplib::Server>();
    }
    server_->set_pre_routing_handler([this](const httplib::Request& req, httplib::Response& res) {
        {
            std::lock_guard lock(mutex_);
            if (requests_.size() < keptRecords_) {
                Request record{req.method, req.path, req.target, {}, req.body};
                for (const auto& [key, value] : req.headers)
                    record.headers.emplace(key, value);
                requests_.push_back(std::move(record));
            }
        }
        if (++count_ > maxRequests_) {
            res.status = 503;
            res.set_content("request limit reached", "text/plain");
            return httplib::Server::HandlerResponse::Handled;
        }
        return httplib::Server::HandlerResponse::Unhandled;
    });
    server_->set_keep_alive_max_count(maxRequests);
}

LoopbackServer::~LoopbackServer() { stop(); }

void LoopbackServer::serve(const std::string& path, std::string body, int status, std::string contentType,
                           std::multimap<std::string, std::string> headers) {
    server_->Get(path, [body = std::move(body), status, contentType = std::move(contentType),
                        headers = std::move(headers)](const httplib::Request&, httplib::Response& res) {
        res.status = status;
        for (const auto& [key, value] : headers)
            res.set_header(key, value);
        res.set_content(body, contentType);
    });
}

void LoopbackServer::start() {
    port_ = server_->bind_to_any_port("127.0.0.1");
    if (port_ <= 0)
        throw std::runtime_error("LoopbackServer: could not bind 127.0.0.1");
    thread_ = std::thread([this] { server_->listen_after_bind(); });
    watchdog_ = std::thread([this] {
        const auto end = std::chrono::steady_clock::now() + lifetime_;
        while (!stopping_ && std::chrono::steady_clock::now() < end)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        server_->stop();
    });
    // A stop() before the accept loop runs is ignored by the server, and the loop would then
    // never end: return only once it runs.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!server_->is_running() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

void LoopbackServer::stop() {
    stopping_ = true;
    server_->stop();
    if (thread_.joinable())
        thread_.join();
    if (watchdog_.joinable())
        watchdog_.join();
}

QUrl LoopbackServer::url(const std::string& pathAndQuery) const {
    const QString scheme = scheme_ == Scheme::Https ? QStringLiteral("https") : QStringLiteral("http");
    return QUrl(QStringLiteral("%1://127.0.0.1:%2%3").arg(scheme).arg(port_).arg(QString::fromStdString(pathAndQuery)));
}

std::vector<LoopbackServer::Request> LoopbackServer::requests() const {
    std::lock_guard lock(mutex_);
    return requests_;
}
