#pragma once

#include "platform/archives/ExpansionBudget.h"

#include <QString>

#include <optional>
#include <stdexcept>

// Unpacks a volume 7-Zip reads (HFS+, APFS; ISO 9660 too) into a folder. 7-Zip rewrites
// absolute link targets and drops the ones it finds dangerous, so none of its links is kept:
// its listing gives every name (refused when absolute or climbing) and every link, and the
// links are made again as stored (an HFS+ link's target is its data), never below another link.
// 7-Zip lists an HFS+ volume's files inside a folder named as the volume: they are unpacked
// into the folder itself. 7-Zip can't read a volume from a stream, and reads one from a disk
// image slower than from the expanded file, with memory growing with the image.
namespace SevenZip {

struct Failure : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// `type` is 7-Zip's format name ("hfs", "apfs", "iso"). The files' sizes in 7-Zip's listing are
// taken from `budget` before anything is written.
void extract(const QString& volume, const QString& type, const QString& destination,
             std::optional<ExpansionBudget> budget = std::nullopt);

} // namespace SevenZip
