#pragma once

#include "platform/gui/Palette.h"

#include <QWidget>

class QVBoxLayout;

// The card of a prompt laid over the main window: the window's colour under a material in a
// rounded rectangle of radius 20, a faint border inside its edge, at a fixed width; its height
// follows its content. It carries the modal trait. The prompt behind it paints its shadow: the
// prompt fades with an effect, and effects do not nest.
class ModalCard : public QWidget {
    Q_OBJECT
public:
    ModalCard(int width, Palette::Material material, QWidget* parent);

    // The content column, 22 in from every edge.
    QVBoxLayout* column() const { return column_; }
    // Sizes the card to its content and centres it in `area` (at its top when it doesn't fit).
    void centreIn(const QRect& area);
    // Moves the focus on (or back) round the enabled, visible controls inside `prompt` only,
    // so Tab never leaves a modal prompt; false when it has none.
    static bool cycleFocus(QWidget* prompt, bool next);
    // Paints the card's soft shadow, in the coordinates of the prompt holding it.
    void paintShadow(QPainter& painter) const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Palette::Material material_;
    QVBoxLayout* column_;
};
