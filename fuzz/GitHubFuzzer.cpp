// libFuzzer target for GitHub release answers.
#include "FuzzInput.h"
#include "sources/GitHubSource.h"

#include <exception>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    try {
        GitHubSource::parse(FuzzInput::bytes(data, size));
    } catch (const std::exception&) {}
    return 0;
}
