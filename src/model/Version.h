#pragma once

#include <QList>
#include <QString>

#include <compare>
#include <optional>

// A free-form version text (V2.4.1, 1.0b3, 3.2.0-beta.2, 2.1 (1190)) as an ordered value.
// Ordering and equality look at the numbers and the pre-release tag only.
struct Version {
    QList<qint64> parts;        // the dotted numeric head; never empty
    std::optional<QString> pre; // the pre-release tag, lower case
    QString description;        // the trimmed input, any leading "v" kept

    // Nothing when the text is absent or has no numeric head a 64-bit integer can hold.
    static std::optional<Version> parse(const std::optional<QString>& text);

    friend std::weak_ordering operator<=>(const Version& a, const Version& b) { return compare(a, b); }
    friend bool operator==(const Version& a, const Version& b) { return compare(a, b) == 0; }

    // A short version text and a build text, as a bundle or a release gives them.
    struct Texts {
        std::optional<QString> version;
        std::optional<QString> build;
    };

    // Whether `latest` is newer than `installed`; nothing when the two cannot be compared.
    static std::optional<bool> isNewer(const Texts& installed, const Texts& latest);

private:
    static std::weak_ordering compare(const Version& a, const Version& b);
    // A bare build number (1190) and a dotted version (2.4.1) measure different things.
    static bool comparable(const Version& a, const Version& b);
};
