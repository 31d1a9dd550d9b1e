#pragma once

#include <QString>

// Style sheets of the push buttons the views share.
namespace ButtonStyle {

// The bordered-prominent button: white on the accent colour, fainter while disabled.
QString prominent();
// The same in red, for a button that removes or deletes.
QString destructive();
// The default bordered button: the primary colour on a faint fill of it.
QString bordered();
// A tool button opening a menu: the primary colour on a fainter fill of it.
QString menu();

} // namespace ButtonStyle
