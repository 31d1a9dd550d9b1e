#include "library/ui/LibraryPromptLayer.h"

#include "library/ui/LibraryPrompt.h"
#include "runtime/Observation.h"
#include "store/Store.h"
#include "views/kit/Animator.h"

#include <QPushButton>

LibraryPromptLayer::LibraryPromptLayer(Store& store, QWidget* window) : QObject(window), store_(store), window_(window) {
    new Observer(
        this,
        [this] {
            (void)store_.packageConsent();
            (void)store_.libraryRemoval();
        },
        [this] { follow(); });
    follow();
}

LibraryPrompt* LibraryPromptLayer::prompt() const { return prompt_; }

void LibraryPromptLayer::follow() {
    const auto pending = LibraryPromptModel::pending(store_);
    // A card still asking the question the store holds stays; an answered one, or one whose
    // question was replaced, makes way.
    if (prompt_ && prompt_->model().asks(store_))
        return;
    if (prompt_) {
        prompt_->leave();
        Animator::vanish(prompt_);
    }
    prompt_ = nullptr;
    if (pending == LibraryPromptModel::Kind::none)
        return;
    prompt_ = new LibraryPrompt(store_, window_);
    prompt_->show();
    prompt_->raise();
    prompt_->cancelButton()->setFocus();
    Animator::appear(prompt_);
}
