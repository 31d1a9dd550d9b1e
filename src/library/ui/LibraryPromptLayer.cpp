#include "library/ui/LibraryPromptLayer.h"

#include "library/ui/LibraryPrompt.h"
#include "runtime/Observation.h"
#include "store/Store.h"

LibraryPromptLayer::LibraryPromptLayer(Store& store, QWidget* window) : ModalLayer(window), store_(store) {
    new Observer(
        this,
        [this] {
            (void)store_.packageConsent();
            (void)store_.libraryRemoval();
        },
        [this] { follow(); });
    follow();
}

LibraryPrompt* LibraryPromptLayer::prompt() const { return static_cast<LibraryPrompt*>(shown()); }

void LibraryPromptLayer::follow() {
    const auto pending = LibraryPromptModel::pending(store_);
    // A card still asking the question the store holds stays; an answered one, or one whose
    // question was replaced, makes way.
    if (prompt() && prompt()->model().asks(store_))
        return;
    retire();
    if (pending != LibraryPromptModel::Kind::none)
        present(new LibraryPrompt(store_, window()));
}
