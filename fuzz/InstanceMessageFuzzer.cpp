// libFuzzer target for the lines of the single-instance socket: what another process sends a
// running copy, and what a running copy answers a later launch.
#include "FuzzInput.h"
#include "platform/desktop/InstanceMessage.h"

#include <cstdlib>

namespace {

bool validText(const QStringList& texts) {
    for (const QString& text : texts) {
        if (!text.isValidUtf16())
            return false;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray line = FuzzInput::bytes(data, size);
    // What is read is what would be written: nothing is lost or added on the way. (A lone
    // surrogate escaped in JSON can not survive UTF-8, and no argument list holds one.)
    if (const auto request = InstanceMessage::readRequest(line); request && validText(request->args)) {
        if (InstanceMessage::readRequest(InstanceMessage::request(*request)) != request)
            std::abort();
    }
    if (const auto greeting = InstanceMessage::readGreeting(line);
        greeting && validText({greeting->bundle, greeting->version})) {
        if (InstanceMessage::readGreeting(InstanceMessage::greeting(*greeting)) != greeting)
            std::abort();
    }
    InstanceMessage::readAcknowledgement(line);
    return 0;
}
