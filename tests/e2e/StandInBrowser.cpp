// Stands for the user's web browser in the end-to-end tests: the desktop hands it an address as
// it would hand it to a browser. It notes the address in $QUENLARK_BROWSER_LOG, loads pages on
// 127.0.0.1 and follows their redirects; a redirect to an address that is not a web page is
// handed back to the desktop through GIO (`gio open`), as a browser built on it does with another
// application's scheme. Not xdg-open: the version Debian ships takes a scheme with digits in it
// (a reversed Google client id has them) for a file name.
#include <httplib.h>

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QUrl>

using namespace Qt::Literals::StringLiterals;

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    if (argc != 2)
        return 2;
    QUrl url(QString::fromLocal8Bit(argv[1]));
    if (QFile log(qEnvironmentVariable("QUENLARK_BROWSER_LOG")); log.open(QIODevice::Append))
        log.write(url.toEncoded() + '\n');

    for (int hop = 0; hop < 5; ++hop) {
        if (url.scheme() != u"http"_s && url.scheme() != u"https"_s)
            return QProcess::execute(u"gio"_s, {u"open"_s, url.toString(QUrl::FullyEncoded)}) == 0 ? 0 : 1;
        if (url.scheme() != u"http"_s || url.host() != u"127.0.0.1"_s)
            return 0; // a page of the wide web: shown, never followed
        httplib::Client client("127.0.0.1", url.port(80));
        const auto page =
            client.Get(url.toString(QUrl::RemoveScheme | QUrl::RemoveAuthority | QUrl::FullyEncoded).toStdString());
        if (!page)
            return 1;
        if (page->status < 300 || page->status > 399 || !page->has_header("Location"))
            return 0;
        url = url.resolved(QUrl(QString::fromStdString(page->get_header_value("Location"))));
    }
    return 1;
}
