#pragma once

#include <QString>

// Texts of menu entries and buttons, where Qt reads "&" as the mark of a keyboard mnemonic.
namespace ActionText {

// `text` shown as it is: an app's name or a version from a feed may hold "&".
QString plain(const QString& text);

} // namespace ActionText
