#pragma once

#include <QString>
#include <QStringList>
#include <QUrl>

#include <optional>

// The command-line options, looked up as flags and as flag-and-value pairs.
namespace Launch {

// Records the arguments; the first line of every main(), before Qt removes its own options.
void init(int argc, char** argv);

// The arguments given at launch, without the executable's path.
const QStringList& args();

// Whether `flag` is one of the arguments.
bool has(const QString& flag);

// The argument after the first one equal to `flag`; nothing when absent or last.
std::optional<QString> value(const QString& flag);

// The arguments of `args` that are neither options nor the value of an option that takes one
// ("--mock <address>"): what a launch was given to open.
QStringList operands(const QStringList& args);

// "--sandbox" as an absolute folder path (relative paths resolve against the working folder).
const std::optional<QString>& sandbox();

// "--mock" as a URL; nothing when absent or not a valid URL.
const std::optional<QUrl>& mock();

// Replaces the arguments and forgets the derived values (tests only).
void setArgsForTest(const QStringList& args);

} // namespace Launch
