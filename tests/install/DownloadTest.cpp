#include "LoopbackServer.h"
#include "RunSync.h"

#include "install/Updater.h"
#include "runtime/UpdateError.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <atomic>

TEST(Download, SuggestedNamesAreCutToOneSafeComponent) {
    const QList<std::pair<QString, QString>> cases = {
        {"Example-2.0.zip", "Example-2.0.zip"},
        {"../../.bashrc", ".bashrc"},
        {"/etc/passwd", "passwd"},
        {"folder/", "download"},
        {"..", "download"},
        {".", "download"},
        {"", "download"},
        {"mount", "download"},     // the disk image's mount point
        {"extracted", "download"}, // the unpacked tree
        {"unpacked", "download"},  // the tree an installer package is taken from
        {QString(300, 'a'), "download"},
        {QString("a") + QChar(0) + "b", "download"},
    };
    for (const auto& [suggested, name] : cases)
        EXPECT_EQ(Updater::safeFileName(suggested), name) << suggested.left(20).toStdString();
}

TEST(Download, AnAnnouncedLengthBeyondTheCeilingStopsTheTransferAtOnce) {
    std::atomic<std::size_t> sent{0}; // before the server, which may still answer while it stops
    LoopbackServer server;
    server.http().Get("/huge", [&sent](const httplib::Request&, httplib::Response& res) {
        res.set_content_provider(4294967297ULL, "application/octet-stream",
                                 [&sent](size_t, size_t, httplib::DataSink& sink) {
                                     static const std::string chunk(64 * 1024, 'x');
                                     if (sent > 256ULL * 1024 * 1024 || !sink.write(chunk.data(), chunk.size()))
                                         return false;
                                     sent += chunk.size();
                                     return true;
                                 });
    });
    server.start();
    QTemporaryDir dir;
    try {
        runSync(Updater::download(server.url("/huge"), std::nullopt, dir.path(), {}));
        FAIL() << "downloaded";
    } catch (const UpdateError& error) {
        EXPECT_EQ(error.description(), "The download is larger than 4 GB, far bigger than any app. Stopped.");
    }
    EXPECT_LT(sent.load(), 64ULL * 1024 * 1024) << "stopped while arriving";
}
