#pragma once

#include "library/ConsentFacts.h"
#include "library/RemovalWording.h"
#include "store/Store.h"

#include <functional>
#include <optional>

// One question of the library's prompt card, taken from the store when the card appears: the
// pending installer-package consent first, else the list waiting to be removed from the
// library. It is settled by the first choice; any later one (a double click, Escape and a
// click) does nothing, so a question asked next is never answered by a choice meant for this
// one.
class LibraryPromptModel {
public:
    enum class Kind { none, consent, removal };

    explicit LibraryPromptModel(Store& store);

    // Which question the store holds now; a read the caller's observation follows.
    static Kind pending(const Store& store);

    Kind kind() const { return kind_; }
    const std::optional<ConsentFacts>& consent() const { return consent_; }
    const std::optional<RemovalWording>& removal() const { return removal_; }
    // Whether the store still holds this card's question, unanswered: a removal list replaced
    // by another is a new question.
    bool asks(const Store& store) const;

    // The consent's "Continue…" (true) or "Skip This App" (false).
    void answer(bool install);
    // The removal's "Cancel": the list goes, nothing is removed.
    void cancel();
    // The removal's "Remove": the list goes and the entries shown are removed from the library.
    void remove();
    // The card's confirming button (true) or its other one, Escape and the backdrop (false),
    // whichever the question is.
    void choose(bool confirm);

private:
    bool settle(Kind kind);

    Store& store_;
    Kind kind_ = Kind::none;
    std::optional<ConsentFacts> consent_;
    std::function<void(bool)> answer_;
    std::optional<RemovalWording> removal_;
    Store::LibraryRows entries_;
    bool settled_ = false;
};
