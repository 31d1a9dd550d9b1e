#pragma once

#include "platform/gui/Palette.h"

#include <QFont>
#include <QLabel>

// A label that shows its text as it is, never as markup: what bundles, feeds and servers say
// goes through here. Given its colour by tint, it takes the new appearance's when that changes.
class PlainLabel : public QLabel {
    Q_OBJECT
public:
    PlainLabel(const QString& text, const QFont& font, const Palette::Ink& ink, bool wrap = false,
               QWidget* parent = nullptr);

    void setColor(const Palette::Ink& ink);

private:
    void applyInk();

    Palette::Ink ink_;
};
