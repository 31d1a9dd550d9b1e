#pragma once

#include <QCoro/QCoroTask>
#include <QPixmap>
#include <QString>

// One process-wide cache from bundle path to its icon, never pruned. GUI thread only: a miss
// decodes the icon on the scan pool, together with the other misses of its event-loop turn, and
// becomes a pixmap here.
namespace IconCache {

QCoro::Task<QPixmap> icon(QString bundle);
// The decoded size of every cached icon, in pixels.
constexpr int decodedSize = 128;
void clearForTests();

} // namespace IconCache
