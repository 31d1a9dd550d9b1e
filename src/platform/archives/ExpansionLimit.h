#pragma once

#include <QtGlobal>

#include <algorithm>

// How far an archive or compressed stream may expand before it counts as a bomb: an absolute
// ceiling on the decoded bytes, and beyond a first allowance a ceiling on decoded bytes per
// stored byte.
struct ExpansionLimit {
    qint64 expanded = qint64(64) << 30;  // decoded bytes in all
    qint64 ratio = 2000;                 // decoded bytes per stored byte, beyond the floor
    qint64 ratioFloor = qint64(1) << 30; // decoded bytes allowed whatever the ratio

    bool exceeded(qint64 decoded, qint64 stored) const {
        return decoded > expanded || (decoded > ratioFloor && decoded / std::max<qint64>(stored, 1) > ratio);
    }

    // Lowers the ceiling to `bytes` (a positive value from the environment, for tests).
    void lowerTo(qint64 bytes) {
        if (bytes > 0 && bytes < expanded) {
            expanded = bytes;
            ratioFloor = std::min(ratioFloor, bytes);
        }
    }
};
