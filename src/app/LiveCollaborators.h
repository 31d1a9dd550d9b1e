#pragma once

#include "store/Store.h"

// The store's real collaborators: the platform's engines and services, each subsystem's side of
// its seam, the shared shell, clock and settings, and the launch options. The application alone
// knows every subsystem, so it alone wires them in.
class LiveCollaborators {
public:
    static Store::Collaborators make();
};
