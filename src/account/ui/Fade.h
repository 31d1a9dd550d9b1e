#pragma once

class QWidget;

// Shows or hides a part of a view with the standard animation: it fades in where it appears
// and fades out before it leaves the layout. Nothing moves when it is already as asked.
namespace Fade {

void setShown(QWidget* widget, bool shown);
// Fades a widget on screen in from nothing, as its content has just changed.
void in(QWidget* widget);

} // namespace Fade
