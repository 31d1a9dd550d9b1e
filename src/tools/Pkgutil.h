#pragma once

#include <QStringList>

// The package signature stand-in: "pkgutil --check-signature <pkg>" prints the report of the
// package's signature: 'Package "<name>":', "   Status: ...", "   Notarization: ..." only with
// a genuine stapled ticket, then the numbered "   Certificate Chain:". Exit 0 for a package
// signed by a trusted certificate, 1 otherwise; 64 on a usage error.
int pkgutilMain(const QStringList& args);
