#pragma once

#include <QString>

#include <cstdint>
#include <optional>

// One <item> of an appcast; every field stays absent until the feed supplies it.
struct AppcastItem {
    std::optional<QString> short_;      // "sparkle:shortVersionString"
    std::optional<QString> build;       // "sparkle:version"
    std::optional<QString> channel;     // element "sparkle:channel"
    std::optional<QString> os;          // enclosure attribute "sparkle:os"
    std::optional<QString> minOS;       // element "sparkle:minimumSystemVersion"
    std::optional<QString> maxOS;       // element "sparkle:maximumSystemVersion"
    std::optional<QString> description; // HTML release notes
    std::optional<QString> notesLink;   // element "sparkle:releaseNotesLink"
    std::optional<QString> enclosureURL;
    std::optional<QString> edSignature;
    std::optional<std::int64_t> length;

    bool operator==(const AppcastItem&) const = default;
};
