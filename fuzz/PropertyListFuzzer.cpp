// libFuzzer target for property lists in XML, binary and OpenStep form, read back and written out.
#include "FuzzInput.h"
#include "platform/system/PropertyList.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (const auto value = PropertyList::fromBytes(FuzzInput::bytes(data, size)))
        PropertyList::toXml(*value);
    return 0;
}
