#include "runtime/Cancelled.h"

Cancelled::Cancelled() : Error(QStringLiteral("The operation was cancelled.")) {}
