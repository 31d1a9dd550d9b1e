#include "tools/Hdiutil.h"

int hdiutilMain(const QStringList&) {
    return 1;
}
