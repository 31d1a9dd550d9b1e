#pragma once

#include "store/LibraryTab.h"

#include <QtGlobal>

class Store;

// The four tabs' badge numbers over the whole library, counted in one pass and kept until an
// entry (or the list) changes: the search and the chosen Mac never recount them.
struct LibraryBadges {
    int missing = 0;
    int all = 0;
    int removed = 0;
    int yours = 0;

    int operator[](LibraryTab tab) const;

    static const LibraryBadges& of(const Store& store);
    // How many times badges were counted in this process; the benchmark reads it.
    static quint64 passes();
};
