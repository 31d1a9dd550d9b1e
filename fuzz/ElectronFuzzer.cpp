// libFuzzer target for electron-updater feeds (latest-mac.yml).
#include "FuzzInput.h"
#include "sources/ElectronSource.h"

#include <exception>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    try {
        ElectronSource::parse(FuzzInput::bytes(data, size), QUrl(QStringLiteral("https://example.com/latest-mac.yml")));
    } catch (const std::exception&) {}
    return 0;
}
