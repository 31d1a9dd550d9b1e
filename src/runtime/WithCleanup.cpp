#include "runtime/WithCleanup.h"

#include "runtime/Describe.h"

#include <QDebug>

namespace detail {

void reportCleanupFailure(std::exception_ptr error) {
    if (!isCancellation(error))
        qWarning().noquote() << "Clean-up failed after an error:" << describe(error);
}

} // namespace detail
