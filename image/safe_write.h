// Writing a file so that a failed save never leaves it damaged, while doing
// what a plain "create or truncate" would have done about permissions, links
// and the umask.
#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace velkor {

// Writes `bytes` as the file's new contents; on failure returns the reason, in
// French. Normally the bytes go to a temporary file in the target's folder,
// flushed to disk and renamed over the target, so that on failure the target
// is untouched and no temporary file is left. A symbolic link is followed, so
// the file it points to is replaced, not the link. An existing file keeps its
// owner, group and permissions; a new one gets the mode the umask gives.
// Where a plain write would have behaved otherwise, it is followed instead:
//   - a file the user may not write (read-only) is refused and left as it is;
//   - a file with several hard links is written in place, so every name sees
//     the new contents;
//   - a writable file in a folder where nothing can be created is written in
//     place (the new bytes over the old ones, cut to length, flushed).
std::optional<std::string> writeFileSafely(const std::filesystem::path& target, std::string_view bytes);

// Fault injection for tests only: a POSIX save asks the hook before each write()
// and before the rename. The hook may shorten the write (`length`, as a short
// write does; never to 0) and returns 0 to go on or an errno value to fail
// that step with.
// Unset (the default) it costs a null check; the editor never sets it.
namespace save_faults {
enum class Step { Write, Rename };
using Hook = int (*)(Step step, std::size_t& length);
void setHook(Hook hook);
}  // namespace save_faults

}  // namespace velkor
