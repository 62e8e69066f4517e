// A scratch folder removed at the end of the test.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <string_view>

namespace velkor::testing_support {

class TempDir {
 public:
  TempDir() {
#ifdef _WIN32
    // No mkdtemp: try fresh names until one can be created.
    std::random_device random;
    for (;;) {
      path_ = std::filesystem::temp_directory_path() / ("velkor-test-" + std::to_string(random()));
      if (std::filesystem::create_directory(path_)) break;
    }
#else
    std::string pattern = (std::filesystem::temp_directory_path() / "velkor-test-XXXXXX").string();
    path_ = ::mkdtemp(pattern.data());
#endif
  }
  ~TempDir() {
    std::error_code ec;
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all, std::filesystem::perm_options::add, ec);
    std::filesystem::remove_all(path_, ec);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& path() const { return path_; }
  std::filesystem::path operator/(std::string_view name) const { return path_ / name; }

 private:
  std::filesystem::path path_;
};

inline void writeBytes(const std::filesystem::path& file, std::string_view bytes) {
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

inline std::string readBytes(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

}  // namespace velkor::testing_support
