#include "platform/gui/Tray.h"

Tray::~Tray() = default;
