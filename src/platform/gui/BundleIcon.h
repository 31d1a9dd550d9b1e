#pragma once

#include <QImage>
#include <QString>

// The icon an application bundle carries: the .icns file its Info.plist names under
// CFBundleIconFile (with or without the extension), read through Qt's image plug-ins at the
// largest size it holds up to `size` pixels. A bundle without one, or with only an asset
// catalogue, gets the generic application icon. Blocks (file reads and decoding): call it off
// the GUI thread; QImage crosses threads, pixmaps do not.
namespace BundleIcon {

QImage read(const QString& bundle, int size = 128);
// Our own drawing of an application without an icon of its own.
QImage generic(int size = 128);

} // namespace BundleIcon
