// libFuzzer target for release-note markdown, read as the release notes are: links checked too.
#include "FuzzInput.h"
#include "sources/WebLink.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    WebLink::markdown(FuzzInput::text(data, size));
    return 0;
}
