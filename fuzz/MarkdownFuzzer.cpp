// libFuzzer target for release-note markdown.
#include "FuzzInput.h"
#include "sources/InlineMarkdown.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    InlineMarkdown::parse(FuzzInput::text(data, size));
    return 0;
}
