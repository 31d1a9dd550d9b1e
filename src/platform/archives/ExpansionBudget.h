#pragma once

#include "platform/archives/ExpansionLimit.h"

// An ExpansionLimit kept across the steps that decode one stored file: a disk image expands to
// its volume, the volume's files are unpacked from that, and the bound weighs all of it against
// the image's own size.
struct ExpansionBudget {
    ExpansionLimit limit;
    qint64 stored = 0;  // bytes of the file everything is decoded from
    qint64 decoded = 0; // bytes decoded from it so far

    // Counts `bytes` more; false once the bound is passed.
    bool take(qint64 bytes) {
        decoded += bytes;
        return !limit.exceeded(decoded, stored);
    }
};
