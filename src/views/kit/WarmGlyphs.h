#pragma once

#include <QFont>
#include <QList>
#include <QString>

class QWidget;

// A font's glyphs are rasterised the first time they are drawn, in the frame that shows them: a
// first count or headline in a large size costs that frame a good part of a millisecond. Drawn
// off screen beforehand, on a turn of its own, they are ready when it comes.
namespace WarmGlyphs {

// On the next turn, draws `text` in each of `fonts` at `owner`'s pixel ratio into a scratch
// picture; nothing once `owner` is gone.
void later(QWidget* owner, QList<QFont> fonts, QString text);

} // namespace WarmGlyphs
