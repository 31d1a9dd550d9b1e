#include "runtime/FileError.h"
#include "runtime/UpdateError.h"

#include <gtest/gtest.h>

#include <QList>

#include <cerrno>
#include <stdexcept>
#include <system_error>

TEST(UpdateError, FromMapsRefusedChangesAndKeepsEverythingElse) {
    const QString blocked = "macOS blocked Quenlark from changing Example. Turn on Quenlark in System Settings "
                            "\u203A Privacy & Security \u203A App Management, then try again.";
    const QString owned = "Example belongs to another user or to the system. Update or remove it as an administrator.";
    const QList<std::tuple<const char*, std::exception_ptr, QString, bool>> mapped = {
        {"EPERM", std::make_exception_ptr(FileError(FileError::Op::Move, "/a", EPERM)), blocked, true},
        {"EPERM from the system", std::make_exception_ptr(std::system_error(EPERM, std::generic_category())), blocked, true},
        {"EACCES", std::make_exception_ptr(FileError(FileError::Op::Create, "/a", EACCES)), owned, false},
    };
    for (const auto& [what, error, sentence, needsPermission] : mapped) {
        try {
            std::rethrow_exception(UpdateError::from(error, "Example"));
        } catch (const UpdateError& e) {
            EXPECT_EQ(e.description(), sentence) << what;
            EXPECT_EQ(e.needsPermission, needsPermission) << what;
            EXPECT_FALSE(e.final) << what;
        } catch (...) {
            ADD_FAILURE() << what << " not mapped";
        }
    }

    const std::exception_ptr unchanged[] = {
        std::make_exception_ptr(FileError(FileError::Op::Move, "/a", ENOENT)),
        std::make_exception_ptr(std::runtime_error("other")),
        std::make_exception_ptr(UpdateError("Already a sentence.")),
    };
    for (const auto& error : unchanged)
        EXPECT_EQ(UpdateError::from(error, "Example"), error);
}
