#pragma once

#include "platform/codesign/RequirementNode.h"

#include <QByteArrayView>

// The binary expression form stored in a signature's requirement blobs.
namespace RequirementReader {
// The expression that fills `program` exactly; null when malformed.
std::shared_ptr<const RequirementNode> read(QByteArrayView program);
} // namespace RequirementReader
