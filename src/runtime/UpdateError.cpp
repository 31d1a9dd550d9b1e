#include "runtime/UpdateError.h"

#include "runtime/FileError.h"
#include "runtime/OutsideText.h"

#include <cerrno>
#include <optional>
#include <system_error>

namespace {

// The POSIX code an error carries, if any.
std::optional<int> posixCode(const std::exception_ptr& error) {
    try {
        std::rethrow_exception(error);
    } catch (const FileError& e) {
        return e.error;
    } catch (const std::system_error& e) {
        const auto& category = e.code().category();
        if (category == std::generic_category() || category == std::system_category())
            return e.code().value();
    } catch (...) {}
    return std::nullopt;
}

} // namespace

std::exception_ptr UpdateError::from(std::exception_ptr error, const QString& name) {
    if (!error)
        return error;
    const auto code = posixCode(error);
    if (code == EPERM)
        return std::make_exception_ptr(
            UpdateError(QStringLiteral("macOS blocked Quenlark from changing ") + OutsideText::isolated(name) +
                            QStringLiteral(". Turn on Quenlark in System Settings \u203A Privacy & Security \u203A App "
                                           "Management, then try again."),
                        {.needsPermission = true}));
    if (code == EACCES)
        return std::make_exception_ptr(UpdateError(
            OutsideText::isolated(name) +
            QStringLiteral(" belongs to another user or to the system. Update or remove it as an administrator.")));
    return error;
}

bool UpdateError::needsPermissionIn(const std::exception_ptr& error) {
    try {
        std::rethrow_exception(error);
    } catch (const UpdateError& updateError) {
        return updateError.needsPermission;
    } catch (...) {
        return false;
    }
}
