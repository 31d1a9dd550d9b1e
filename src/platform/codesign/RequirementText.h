#pragma once

#include "platform/codesign/RequirementNode.h"

#include <QString>

// The canonical text of a requirement, which reads back to the same expression.
namespace RequirementText {
QString text(const RequirementNode& node);
// A string literal of the text form, with backslashes and quotes escaped.
QString quoted(const QByteArray& bytes);
} // namespace RequirementText
