#pragma once

class Store;

// The counts the dashboard's header, ring, chips and banner show. Each row's share is kept until
// that row changes, and the list is walked again only when rows come or go, so a check result
// costs one row's reads however many rows there are. Readers register with the tally alone.
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
