#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "image/safe_write.h"
#include "support/temp_dir.h"

namespace velkor {
namespace {

using testing_support::readBytes;
using testing_support::TempDir;
using testing_support::writeBytes;

std::vector<std::string> entries(const std::filesystem::path& folder) {
  std::vector<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(folder)) names.push_back(e.path().filename().string());
  return names;
}

// Every byte value, CR LF and Ctrl-Z included: nothing may be translated.
std::string allBytes(std::size_t repeat) {
  std::string bytes;
  for (std::size_t r = 0; r < repeat; ++r)
    for (int b = 0; b < 256; ++b) bytes += static_cast<char>(b);
  return bytes;
}

TEST(ReplaceFile, ReplacesTheOldContentAndLeavesNoTemporaryFile) {
  TempDir dir;
  writeBytes(dir / "prog", std::string(5000, 'x'));
  const std::string bytes = allBytes(3);
  EXPECT_EQ(writeFileSafely(dir / "prog", bytes), std::nullopt);
  EXPECT_EQ(readBytes(dir / "prog"), bytes);
  EXPECT_EQ(entries(dir.path()), std::vector<std::string>{"prog"});
}

TEST(ReplaceFile, CreatesAMissingFileWithTheExactBytes) {
  TempDir dir;
  const std::string bytes = allBytes(8192);  // 2 MiB: more than one write
  EXPECT_EQ(writeFileSafely(dir / "neuf", bytes), std::nullopt);
  EXPECT_EQ(readBytes(dir / "neuf"), bytes);
  EXPECT_EQ(entries(dir.path()), std::vector<std::string>{"neuf"});
}

TEST(ReplaceFile, AFolderInTheWayIsReportedAndNothingIsLeft) {
  TempDir dir;
  std::filesystem::create_directory(dir / "prog");
  writeBytes(dir / "prog" / "inside", "kept");
  const auto error = writeFileSafely(dir / "prog", "new");
  ASSERT_TRUE(error.has_value());
  EXPECT_FALSE(error->empty());
  EXPECT_TRUE(std::filesystem::is_directory(dir / "prog"));
  EXPECT_EQ(readBytes(dir / "prog" / "inside"), "kept");
  EXPECT_EQ(entries(dir.path()), std::vector<std::string>{"prog"});
}

TEST(ReplaceFile, AMissingFolderIsReported) {
  TempDir dir;
  const auto error = writeFileSafely(dir / "absent" / "prog", "new");
  ASSERT_TRUE(error.has_value());
  EXPECT_FALSE(error->empty());
  EXPECT_TRUE(entries(dir.path()).empty());
}

}  // namespace
}  // namespace velkor
