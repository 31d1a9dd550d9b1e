#pragma once

#include "platform/archives/ArchiveFeed.h"
#include "platform/archives/ByteSource.h"
#include "platform/archives/ExpansionBudget.h"

#include <QString>

#include <optional>

#include <stdexcept>

// Unpacks an archive (zip, ISO 9660, cpio, ... whatever libarchive reads) into a folder with
// confinement checked while writing, not only afterwards: absolute names and ".." are refused,
// nothing is written through a link, a link whose target leaves the folder is refused, and the
// finished tree is walked once more with every link resolved. Modes (without set-id bits),
// times and links are kept.
namespace Extraction {

// A refused or unreadable archive. The message is the tool's own text, without the tool name.
struct Failure : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// The bytes written passed the bound of Options::budget.
struct TooLarge : Failure {
    using Failure::Failure;
};

struct Options {
    // Leave out the resource-fork companions zip tools add: "__MACOSX/..." and "._name".
    bool dropAppleDouble = true;
    // Keep links whose target leaves the folder as links (a volume's "Applications" shortcut),
    // instead of refusing the archive. Nothing is ever written through them.
    bool keepOutsideLinks = false;
    // Read the file only as a plain cpio archive, with no decompression: what a package payload
    // decodes to. Anything else inside it would escape the bound on its decoded size.
    bool cpioOnly = false;
    // The bound on the bytes written (with `stored` the archive's size, or the size of what the
    // archive was itself expanded from); none when absent.
    std::optional<ExpansionBudget> budget;
};

// Unpacks `archive` into `destination` (created with its parents when missing).
void unpack(const QString& archive, const QString& destination, const Options& options);
// The same from bytes that are not a file; `name` stands for the archive in messages. What
// `source` throws while it is read is thrown on as it is.
void unpack(ByteSource& source, const QString& name, const QString& destination, const Options& options);
// The same for an archive pulled from `read` and called `name` in messages. What `read` throws
// comes out unchanged. Reading stops at the archive's end, which may leave bytes of the stream.
void unpack(const ArchiveFeed::Read& read, const QString& name, const QString& destination, const Options& options);

// Throws Failure when a link below `root` resolves outside it (lexically or through realpath).
void checkTree(const QString& root);

// The lexical resolution of link `target` stored at `linkFolder` (absolute, cleaned): "." and
// empty parts dropped, ".." removes the last part when there is one. An absolute target starts
// from "/". The result is "/" followed by the parts joined with "/".
QString resolveLexically(const QString& linkFolder, const QString& target);

// Where the link `target` stored at `linkFolder` (a real path) leads when the link itself can't
// be resolved (its target is missing): each part that exists is resolved with every link on it
// followed, and the parts from the first missing one on are taken lexically. So a dangling link
// that climbs out through another link is seen where it really points.
QString resolveAsFarAsExists(const QString& linkFolder, const QString& target);

// Whether `path` is `root` or lies below it.
bool isInside(const QString& path, const QString& root);

} // namespace Extraction
