#pragma once

#include "platform/gui/Palette.h"
#include "views/detail/RowAction.h"
#include "views/detail/RowFacts.h"

#include <QList>
#include <QPair>
#include <QString>
#include <QUrl>

#include <optional>

// What the detail pane of one application shows and offers.
namespace DetailPaneModel {

struct Button {
    QString title;
    RowAction action;
    bool enabled = true;
    QString help;
    bool operator==(const Button&) const = default;
};

// The prominent update button, when the status is update and the row has a release.
std::optional<Button> updateButton(const RowFacts& row);
// The entries of the "Ignore" menu, in order.
QList<Button> ignoreMenu(const RowFacts& row);
Button uninstallButton(const RowFacts& row);
QString revealHelp();

// The "Details" grid: label and value, in order.
QList<QPair<QString, QString>> details(const RowFacts& row);

struct LogLine {
    QString text;
    QString symbol;
    Palette::Tint tint = Palette::Tint::secondary;
    bool operator==(const LogLine&) const = default;
};
// The lines of "Last Update"; the block is absent when there are none.
QList<LogLine> installLog(const RowFacts& row);

// The text under "Sources Tried" when nothing was tried.
QString noAttempts(const RowFacts& row);

struct Notes {
    enum class Kind { none, box, link };
    Kind kind = Kind::none;
    QString text;          // box: the notes
    bool markdown = false; // box: render inline Markdown (GitHub), else plain text
    std::optional<QUrl> url;
    QString linkTitle; // "Full release notes" under the box, or "Open release notes"
    bool operator==(const Notes&) const = default;
};
Notes releaseNotes(const RowFacts& row);

} // namespace DetailPaneModel
