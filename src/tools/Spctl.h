#pragma once

#include <QStringList>

// The Gatekeeper assessment stand-in: "spctl --assess [--type execute|install|open] [-v...]
// <path>..." prints "<path>: accepted" or "<path>: rejected[ (reason)]", then "source=<rule>"
// and, from -vv on, "origin=<leaf certificate name>". Exit 0 when every path is accepted, 3
// when one is rejected, 2 on a usage error.
int spctlMain(const QStringList& args);
