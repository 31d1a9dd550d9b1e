#pragma once

#include <QStringList>

// The ditto stand-in: "ditto -x -k <zip> <dst>" unpacks a zip archive, "ditto <src> <dst>"
// copies a file or a tree. Links and modes are kept; nothing is ever written outside <dst>.
// Messages go to standard error as "ditto: ..." and every failure exits with status 1.
int dittoMain(const QStringList& args);
