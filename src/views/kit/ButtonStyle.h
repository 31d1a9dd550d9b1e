#pragma once

#include <QString>

// Style sheets of the push buttons the views share.
namespace ButtonStyle {

// The bordered-prominent button: white on the accent colour, fainter while disabled.
QString prominent();
// The default bordered button: the primary colour on a faint fill of it.
QString bordered();

} // namespace ButtonStyle
