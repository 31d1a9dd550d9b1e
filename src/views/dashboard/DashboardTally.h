#pragma once

class Store;

// The counts the dashboard's header, ring, chips and banner show, taken in one pass over the
// rows and kept until one of the rows read changes. Readers register with the tally alone, not
// with every row, so a check result costs one recount however many views follow it.
struct DashboardTally {
    int visible = 0;
    int upToDate = 0;
    int updates = 0;
    int cantVerify = 0;
    int ignored = 0;
    int installable = 0; // visible rows Update All would install
    int blocked = 0;     // every row, hidden ones too, blocked by App Management

    static const DashboardTally& of(const Store& store);
};
