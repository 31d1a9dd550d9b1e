#pragma once

#include "platform/codesign/RequirementNode.h"

#include <QString>

// The text form of a code requirement.
namespace RequirementParser {
// Null when the text does not parse.
std::shared_ptr<const RequirementNode> parse(const QString& text);
} // namespace RequirementParser
