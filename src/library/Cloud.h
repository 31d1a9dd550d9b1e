#pragma once

#include "account/CloudConfig.h"
#include "account/Session.h"

// The library's document client for one series of requests: the back end and the session whose
// ID token authorises them. Built afresh for every operation, never kept.
struct Cloud {
    CloudConfig config;
    Session session;
};
