// Replacing a file so that a failure never leaves it damaged.
#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace velkor {

// Writes `bytes` to a temporary file in the target's folder, flushes it to
// disk and renames it over the target. On failure the target is untouched,
// the temporary file is removed, and the reason is returned. A symbolic link
// is followed, so the file it points to is replaced, not the link; an
// existing file keeps its permissions.
std::optional<std::string> writeFileAtomically(const std::filesystem::path& target, std::string_view bytes);

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
