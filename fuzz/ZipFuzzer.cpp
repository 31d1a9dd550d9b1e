// libFuzzer target for archives through the extraction checks: names, links and confinement.
#include "FuzzInput.h"
#include "platform/archives/Extraction.h"

#include <exception>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString archive = FuzzInput::file(data, size, QStringLiteral("archive.zip"));
    QDir destination(FuzzInput::folder().filePath(QStringLiteral("out")));
    try {
        Extraction::unpack(archive, destination.path(), {});
    } catch (const std::exception&) {}
    destination.removeRecursively();
    return 0;
}
