// libFuzzer target for appcast documents.
#include "FuzzInput.h"
#include "sources/AppcastParser.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    AppcastParser parser;
    parser.parse(FuzzInput::bytes(data, size));
    return 0;
}
