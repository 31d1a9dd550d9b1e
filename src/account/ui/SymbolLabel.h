#pragma once

#include "platform/gui/Palette.h"

#include <QColor>
#include <QFont>
#include <QWidget>

class QLabel;
class SymbolView;

// A label with a symbol before its text, both in one colour; the text wraps and is shown as it
// is, never as markup. With a fill it sits on a tinted rounded box.
class SymbolLabel : public QWidget {
    Q_OBJECT
public:
    SymbolLabel(const QFont& font, QWidget* parent = nullptr);

    // A colour given by tint follows the appearance.
    void set(const QString& symbol, const QString& text, const Palette::Ink& ink);
    // The tinted box behind it (an invalid colour: none), with `padding` on every side.
    void setBox(const Palette::Ink& fill, int padding);
    QString text() const;
    const QString& symbol() const { return symbolName_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void recolour();

    SymbolView* symbol_;
    QLabel* text_;
    QString symbolName_;
    Palette::Ink fill_ = QColor();
    Palette::Ink ink_ = QColor();
};
