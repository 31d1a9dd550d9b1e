#pragma once

#include <QObject>
#include <QPointer>

class LibraryPrompt;
class Store;
class QWidget;

// Keeps the library prompt over `window` while the store holds a consent question or a removal
// list: a fresh card for each question, faded in and out by the standard animation.
class LibraryPromptLayer : public QObject {
    Q_OBJECT
public:
    LibraryPromptLayer(Store& store, QWidget* window);

    LibraryPrompt* prompt() const;

private:
    void follow();

    Store& store_;
    QWidget* window_;
    QPointer<LibraryPrompt> prompt_;
};
