#pragma once

#include "platform/gui/Palette.h"

#include <QString>
#include <QWidget>

// One of our symbol drawings at a glyph size, centred in a frame of its own width.
class QPainter;

class SymbolView : public QWidget {
    Q_OBJECT
public:
    SymbolView(QString name, double glyph, Palette::Ink color, int frameWidth, QWidget* parent = nullptr);

    // A colour given by tint follows the appearance.
    void setSymbol(const QString& name, const Palette::Ink& color);
    const QString& symbol() const { return name_; }
    // A symbol `glyph` wide centred in `frame`, turned by `degrees` about its centre: what this
    // view draws, for a widget that draws it among its own parts.
    static void paint(QPainter& painter, const QRectF& frame, double glyph, const QString& name, const QColor& colour,
                      double degrees = 0);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString name_;
    double glyph_;
    Palette::Ink color_;
    int frameWidth_;
};
