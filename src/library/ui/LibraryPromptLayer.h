#pragma once

#include "views/kit/ModalLayer.h"

class LibraryPrompt;
class Store;

// Keeps the library prompt over `window` while the store holds a consent question or a removal
// list: a fresh card for each question.
class LibraryPromptLayer : public ModalLayer {
    Q_OBJECT
public:
    LibraryPromptLayer(Store& store, QWidget* window);

    LibraryPrompt* prompt() const;

private:
    void follow();

    Store& store_;
};
