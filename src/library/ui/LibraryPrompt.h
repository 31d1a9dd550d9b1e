#pragma once

#include "library/LibraryPromptModel.h"
#include "views/kit/ModalPrompt.h"

class QPushButton;
class QVBoxLayout;

// The card over the main window that asks one library question: the installer-package consent
// or the removal from the library. The dimmed window around it takes no clicks; only the
// card's buttons and Escape end the question, and only the first of them counts.
class LibraryPrompt : public ModalPrompt {
    Q_OBJECT
public:
    LibraryPrompt(Store& store, QWidget* parent);

    const LibraryPromptModel& model() const { return model_; }
    // "Skip This App" or "Cancel".
    QPushButton* cancelButton() const { return cancel_; }
    // "Continue…" or "Remove".
    QPushButton* confirmButton() const { return confirm_; }

private:
    void buildConsent();
    void buildRemoval();
    void addButtons(const QString& cancel, const QString& confirm, QString (*confirmStyle)());
    void choose(bool confirm);

    LibraryPromptModel model_;
    QVBoxLayout* cardLayout_;
    QPushButton* cancel_ = nullptr;
    QPushButton* confirm_ = nullptr;
};
