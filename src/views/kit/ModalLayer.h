#pragma once

#include <QObject>
#include <QPointer>

class ModalPrompt;
class QWidget;

// Keeps at most one prompt over a window: each fresh one is shown in front with the focus on
// its home control and comes in by its own motion; the one it replaces leaves and goes.
class ModalLayer : public QObject {
    Q_OBJECT
public:
    explicit ModalLayer(QWidget* window);

    ModalPrompt* shown() const { return shown_; }

protected:
    QWidget* window() const { return window_; }
    // The prompt shown, if any, leaves.
    void retire();
    // `prompt`, made over the window, takes the place of the one shown.
    void present(ModalPrompt* prompt);

private:
    QWidget* window_;
    QPointer<ModalPrompt> shown_;
};
