// The system's reason for a failure as the user reads it: French words for
// the common cases, the system's own text for the rest. Shared by files,
// the board link and the windows, which all show such reasons.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace velkor {

// The reason behind an errno value.
std::string errnoText(int errnoValue);

// The reason behind a failure reported as a Win32 error code with the
// system's text for it (the serial port's failures, the Windows file calls).
// The text decides first, as the same code may stand for several causes (a
// port busy, refused or unplugged); then the code; else the text as it is.
std::string systemErrorText(std::int32_t code, std::string_view systemText);

}  // namespace velkor
