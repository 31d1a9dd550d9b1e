#pragma once

#include <QList>
#include <QString>
#include <QUrl>

#include <optional>

// Release notes as runs of text with their inline styles and an optional web link, in reading
// order. Views draw the runs as they are; line breaks and spaces are part of the text.
struct StyledText {
    struct Run {
        QString text;
        bool bold = false;
        bool italic = false;
        bool code = false;
        std::optional<QUrl> link;

        bool sameStyle(const Run& other) const {
            return bold == other.bold && italic == other.italic && code == other.code && link == other.link;
        }
        bool operator==(const Run&) const = default;
    };

    QList<Run> runs;

    // One unstyled run (none for empty text).
    static StyledText plain(const QString& text);
    // Appends a run, merging it into the last one when the styles agree.
    void append(Run run);
    QString plainText() const;

    bool operator==(const StyledText&) const = default;
};
