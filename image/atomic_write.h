// Replacing a file so that a failure never leaves it damaged.
#pragma once

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

}  // namespace velkor
