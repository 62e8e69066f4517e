// Files named on the command line: the arguments of a command that takes
// files and options naming the files it writes ("--svg SORTIE.svg" or
// "--svg=SORTIE.svg"), and the writing of those files.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace velkor {

// Fills `files` with the arguments that are no option, in order, and each
// option's target; a usage error when an option is unknown, given twice or
// without a file name.
std::optional<std::string> readFileArguments(const std::vector<std::string>& args,
                                             const std::vector<std::pair<std::string_view, std::string*>>& options,
                                             std::vector<std::string>& files);

// Writes a file the command produces, as the editor saves; false, told on
// stderr, when it could not be written.
bool writeOutputFile(const std::string& path, std::string_view bytes);
// The same for bytes that could not be made: false, and `whyNot` on stderr.
bool writeOutputFile(const std::string& path, const std::optional<std::string>& bytes, const std::string& whyNot);

}  // namespace velkor
