#pragma once

#include <QColor>
#include <QFont>
#include <QLabel>

// A label that shows its text as it is, never as markup: what bundles, feeds and servers say
// goes through here.
class PlainLabel : public QLabel {
    Q_OBJECT
public:
    PlainLabel(const QString& text, const QFont& font, const QColor& color, bool wrap = false,
               QWidget* parent = nullptr);

    void setColor(const QColor& color);
};
