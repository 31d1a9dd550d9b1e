#pragma once

// The window an island is drawn in. The controller only creates, keeps and removes it; the
// window draws the island's state by observation (its open and fold animations included).
class IslandPanel {
public:
    virtual ~IslandPanel() = default;
    // Takes the panel off the screen for good.
    virtual void orderOut() = 0;
};
