#pragma once

#include <QHash>
#include <QList>
#include <QString>
#include <QStringView>

#include <optional>

// What the rest of the program asks of an update source, declared once for each source, so that
// no reader asks which source a release came from.
struct SourceTraits {
    // The display name, which is also the stored value.
    QStringView name;
    // This program can download and install a release of it itself.
    bool installs = false;
    // The app installs its own updates; this program only says so.
    bool updatesItself = false;
    // Its updates install through the App Store, which this program opens.
    bool opensStore = false;
    // Its release notes are markdown rather than plain text.
    bool markdownNotes = false;
    // Its release's page is the app's home page.
    bool pageIsHomepage = false;
    // The library field that keeps the release's reference; empty for none.
    QStringView cloudField;
};

// An update source, known by its traits and compared by identity. The five this program asks,
// in the order a check tries them, are constants; another source defines traits of its own.
class SourceKind {
public:
    static const SourceKind appStore;
    static const SourceKind sparkle;
    static const SourceKind homebrew;
    static const SourceKind github;
    static const SourceKind electron;

    constexpr explicit SourceKind(const SourceTraits& traits) : traits_(&traits) {}

    constexpr const SourceTraits& traits() const { return *traits_; }
    constexpr bool operator==(const SourceKind&) const = default;

private:
    const SourceTraits* traits_;
};

namespace SourceKinds {

const QList<SourceKind>& all();
QString rawValue(SourceKind kind);
// Exactly one of the five display names (case-sensitive), else nothing.
std::optional<SourceKind> from(const QString& text);
// Whether this program can download and install a release of this kind itself.
bool canInstall(SourceKind kind);

} // namespace SourceKinds

inline size_t qHash(SourceKind kind, size_t seed = 0) { return qHash(&kind.traits(), seed); }
