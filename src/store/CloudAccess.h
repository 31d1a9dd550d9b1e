#pragma once

#include "store/CloudConfig.h"
#include "store/Session.h"

// The back end a library request goes to and the session whose ID token authorises it; the
// library seam builds its document client from it for one operation.
struct CloudAccess {
    CloudConfig config;
    Session session;
};
