#include "model/AppItem.h"

AppItem::AppItem(InstalledApp app) : app_(std::move(app)) {}
