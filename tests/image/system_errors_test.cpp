#include "image/system_errors.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>

namespace velkor {
namespace {

// What opening, reading or saving a file or a port meets on this system is
// told in French: none of it in the system's own English words.
TEST(SystemErrors, ReasonsMetByFilesAndPortsAreFrench) {
  for (const int e : {EACCES, EPERM, EROFS, ENOSPC, ENOENT, ENODEV, ENXIO, EBUSY, EIO, EISDIR, ENOTTY, ELOOP, EEXIST}) {
    EXPECT_NE(errnoText(e), std::strerror(e)) << e;
#ifndef _WIN32
    // As the serial layer words them: its code stands for several causes
    // (a port that is a folder is no input-output error), the text says which.
    EXPECT_EQ(systemErrorText(31, std::strerror(e)), errnoText(e)) << e;
#endif
  }
}

}  // namespace
}  // namespace velkor
