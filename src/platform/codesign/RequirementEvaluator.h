#pragma once

#include "platform/codesign/Requirement.h"
#include "platform/codesign/RequirementNode.h"

#include <QStringList>

#include <openssl/x509.h>

// Evaluation of a requirement against a verified signature, and the certificate fields it reads.
namespace RequirementEvaluator {
bool evaluate(const RequirementNode& node, const Requirement::Context& context);
// The values of a subject field such as "subject.OU".
QStringList subjectValues(X509* certificate, const QByteArray& field);
// Whether the certificate carries the extension with this identifier (DER content bytes).
bool hasExtension(X509* certificate, const QByteArray& oid);
} // namespace RequirementEvaluator
