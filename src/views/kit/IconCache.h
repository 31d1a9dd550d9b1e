#pragma once

#include <QCoro/QCoroTask>
#include <QPixmap>
#include <QString>

// One process-wide cache from bundle path and size to its icon, never pruned. GUI thread only: a
// miss decodes the icon and scales it on the scan pool, together with the other misses of its
// event-loop turn, and becomes a pixmap here.
namespace IconCache {

// The decoded size of every icon, in pixels.
constexpr int decodedSize = 128;
// The icon as decoded or, given `side`, scaled to `side` device pixels square there: a new
// card's icon then comes ready to copy.
QCoro::Task<QPixmap> icon(QString bundle, int side = 0);
void clearForTests();

} // namespace IconCache
