#pragma once

#include "install/Leftover.h"
#include "model/InstalledApp.h"

#include <QList>
#include <QSet>
#include <QString>

#include <optional>

// What the user has chosen in the uninstall prompt of one application, and every text the
// prompt shows for it. The prompt widget holds one and draws it.
class UninstallChoice {
public:
    UninstallChoice(InstalledApp app, QString userLibrary);

    const InstalledApp& app() const { return app_; }

    // The search's answer; until it comes the confirm button is disabled.
    void setFound(QList<Leftover> found);
    const std::optional<QList<Leftover>>& found() const { return found_; }
    QList<Leftover> unambiguous() const;
    QList<Leftover> ambiguous() const;

    bool isChosen(const Leftover& leftover) const { return chosen_.contains(leftover.url); }
    void setChosen(const Leftover& leftover, bool chosen);
    // The "Also delete its data and settings" box: ticked when every unambiguous leftover is.
    bool allDataChosen() const;
    bool allDataEnabled() const { return !unambiguous().isEmpty(); }
    void setAllData(bool chosen);

    bool permanently() const { return permanently_; }
    // A change disarms a permanent removal. Ignored once the removal runs: it keeps the mode it
    // was started with.
    void setPermanently(bool permanently);
    bool confirming() const { return confirming_; }
    bool working() const { return working_; }
    bool canClose() const { return !working_; }
    bool confirmEnabled() const { return found_.has_value() && !working_; }

    struct Removal {
        QList<Leftover> data; // the ticked leftovers, in the search's order
        bool permanently = false;
        bool operator==(const Removal&) const = default;
    };
    // The confirm button: a first press in permanent mode only arms; otherwise the removal
    // starts with what is chosen now, and nothing can change or close the prompt any more.
    std::optional<Removal> press();

    QString title() const;
    QString subtitle() const;
    QString buttonTitle() const;
    std::optional<QString> total() const;
    QString caption() const;
    QString allDataAccessibility() const;
    QString modeNote() const;
    bool modeNoteIsWarning() const { return permanently_; }

    QString rowLabel(const Leftover& leftover) const;
    QString rowSize(const Leftover& leftover) const;
    QString rowAccessibility(const Leftover& leftover) const;

private:
    InstalledApp app_;
    QString userLibrary_;
    std::optional<QList<Leftover>> found_;
    QSet<QString> chosen_;
    bool working_ = false;
    bool permanently_ = false;
    bool confirming_ = false;
};
