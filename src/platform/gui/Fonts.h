#pragma once

#include <QFont>

// The text styles of every view, each a fixed size in device-independent pixels (title 22,
// title3 15, headline and body 13, callout 12, subheadline 11, caption 10), whatever the
// screen's dots per inch.
namespace Fonts {

enum class Role { title, title3, headline, body, callout, subheadline, caption };

QFont font(Role role);
inline QFont title() { return font(Role::title); }
inline QFont headline() { return font(Role::headline); }
inline QFont body() { return font(Role::body); }
inline QFont caption() { return font(Role::caption); }
// The system font at `size` pixels and `weight`.
QFont system(double size, QFont::Weight weight = QFont::Normal);
// The monospaced system font at `size` pixels.
QFont monospaced(double size, QFont::Weight weight = QFont::Normal);

} // namespace Fonts
