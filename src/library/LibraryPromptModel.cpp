#include "library/LibraryPromptModel.h"

#include "runtime/Spawn.h"

LibraryPromptModel::LibraryPromptModel(Store& store) : store_(store), kind_(pending(store)) {
    if (kind_ == Kind::consent) {
        const auto& question = *store_.packageConsent();
        consent_ = ConsentFacts::of(question.request);
        answer_ = question.answer;
    } else if (kind_ == Kind::removal) {
        entries_ = *store_.libraryRemoval();
        removal_ = RemovalWording::of(entries_);
    }
}

LibraryPromptModel::Kind LibraryPromptModel::pending(const Store& store) {
    if (store.packageConsent())
        return Kind::consent;
    if (store.libraryRemoval())
        return Kind::removal;
    return Kind::none;
}

bool LibraryPromptModel::asks(const Store& store) const {
    if (settled_ || pending(store) != kind_)
        return false;
    return kind_ != Kind::removal || *store.libraryRemoval() == entries_;
}

bool LibraryPromptModel::settle(Kind kind) {
    if (settled_ || kind_ != kind)
        return false;
    settled_ = true;
    return true;
}

void LibraryPromptModel::answer(bool install) {
    if (!settle(Kind::consent))
        return;
    // Moved out first: the answer clears the store's question, which holds the closure's twin.
    const auto answer = std::exchange(answer_, {});
    if (answer)
        answer(install);
}

void LibraryPromptModel::cancel() {
    if (settle(Kind::removal))
        store_.setLibraryRemoval(std::nullopt);
}

void LibraryPromptModel::choose(bool confirm) {
    if (kind_ == Kind::consent)
        answer(confirm);
    else if (confirm)
        remove();
    else
        cancel();
}

void LibraryPromptModel::remove() {
    if (!settle(Kind::removal))
        return;
    store_.setLibraryRemoval(std::nullopt);
    spawn(store_.removeFromLibrary(entries_), "removal from the library");
}
