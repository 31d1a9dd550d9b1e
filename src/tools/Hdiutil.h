#pragma once

#include <QStringList>

// The hdiutil stand-in: "imageinfo [-plist] <image>", "attach ... -mountpoint <folder> <image>"
// (the image's file system copied read-only into the folder) and "detach [-force] <folder>".
int hdiutilMain(const QStringList& args);
