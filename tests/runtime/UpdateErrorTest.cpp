#include "runtime/FileError.h"
#include "runtime/UpdateError.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <stdexcept>
#include <system_error>

// EPERM and EACCES of the file layer are mapped where the swap refuses (InstallTest); here the
// system's own errors, and everything else coming back as the very same error.
TEST(UpdateError, FromMapsSystemRefusalsAndKeepsEverythingElse) {
    try {
        std::rethrow_exception(
            UpdateError::from(std::make_exception_ptr(std::system_error(EPERM, std::generic_category())), "Example"));
    } catch (const UpdateError& e) {
        EXPECT_TRUE(e.description().startsWith("macOS blocked Quenlark from changing \u2068Example\u2069. "));
        EXPECT_TRUE(e.needsPermission);
    } catch (...) {
        ADD_FAILURE() << "not mapped";
    }
    const std::exception_ptr unchanged[] = {
        std::make_exception_ptr(FileError(FileError::Op::Move, "/a", ENOENT)),
        std::make_exception_ptr(std::runtime_error("other")),
        std::make_exception_ptr(UpdateError("Already a sentence.")),
    };
    for (const auto& error : unchanged)
        EXPECT_EQ(UpdateError::from(error, "Example"), error);
}
