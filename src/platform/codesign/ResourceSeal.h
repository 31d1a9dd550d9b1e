#pragma once

#include "platform/codesign/CodeBundle.h"

#include <QByteArray>
#include <QString>

#include <functional>

// Checks a bundle against its resource seal (_CodeSignature/CodeResources): every listed file
// hashes as recorded, every listed link reads as recorded, nested code verifies and has the
// recorded cdhash, and nothing lies in the bundle that the seal neither lists nor omits.
namespace ResourceSeal {

// Verifies nested code at `path`: a status of SignatureStatus, 0 when it is valid, has the
// cdhash and meets the requirement text (when not empty).
using NestedCheck = std::function<int(const QString& path, const QByteArray& cdhash, const QString& requirement)>;

// `strict` also refuses links that leave the bundle. Gives a SignatureStatus code.
int verify(const CodeBundle& bundle, const QByteArray& seal, bool strict, const NestedCheck& nested);

} // namespace ResourceSeal
