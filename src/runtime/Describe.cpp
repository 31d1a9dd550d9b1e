#include "runtime/Describe.h"

#include "runtime/Cancelled.h"
#include "runtime/TransportError.h"

QString describe(std::exception_ptr error) {
    if (!error)
        return {};
    try {
        std::rethrow_exception(error);
    } catch (const Error& e) {
        return e.description();
    } catch (const std::exception& e) {
        return QString::fromUtf8(e.what());
    } catch (...) {}
    return QStringLiteral("An unknown error occurred.");
}

bool isCancellation(std::exception_ptr error) {
    if (!error)
        return false;
    try {
        std::rethrow_exception(error);
    } catch (const Cancelled&) {
        return true;
    } catch (const TransportError& e) {
        return e.kind == TransportError::Kind::Cancelled;
    } catch (...) {}
    return false;
}
