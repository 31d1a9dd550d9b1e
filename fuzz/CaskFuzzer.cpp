// libFuzzer target for the cask catalogue's JSON, read for both architectures.
#include "FuzzInput.h"
#include "sources/BrewCatalogue.h"

#include <exception>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray json = FuzzInput::bytes(data, size);
    try {
        BrewCatalogue::parse(json, true, 14);
        BrewCatalogue::parse(json, false, 12);
    } catch (const std::exception&) {}
    return 0;
}
