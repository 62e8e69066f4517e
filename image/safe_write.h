// Writing a file so that a failed save never leaves it damaged, while doing
// what a plain "create or truncate" would have done about permissions, links
// and the umask.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "image/file_writer.h"

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
// Its writes and its rename go through `writer`.
std::optional<std::string> writeFileSafely(const std::filesystem::path& target, std::string_view bytes,
                                           const FileWriter& writer = systemFileWriter());

}  // namespace velkor
