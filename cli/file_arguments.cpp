#include "cli/file_arguments.h"

#include <iostream>

#include "image/safe_write.h"

namespace velkor {

std::optional<std::string> readFileArguments(const std::vector<std::string>& args,
                                             const std::vector<std::pair<std::string_view, std::string*>>& options,
                                             std::vector<std::string>& files) {
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string name = args[i].substr(0, args[i].find('='));
    std::string* target = nullptr;
    for (const auto& [option, value] : options)
      if (name == option) target = value;
    if (target) {
      if (!target->empty()) return "option donnée deux fois : " + name;
      if (name.size() < args[i].size())
        *target = args[i].substr(name.size() + 1);
      else if (i + 1 < args.size())
        *target = args[++i];
      if (target->empty()) return name + " attend un nom de fichier";
    } else if (args[i].starts_with("--")) {
      return "option inconnue : " + args[i];
    } else {
      files.push_back(args[i]);
    }
  }
  return std::nullopt;
}

bool writeOutputFile(const std::string& path, std::string_view bytes) {
  if (auto error = writeFileSafely(path, bytes)) {
    std::cerr << "velkor-cli : impossible d'écrire " << path << " : " << *error << "\n";
    return false;
  }
  return true;
}

bool writeOutputFile(const std::string& path, const std::optional<std::string>& bytes, const std::string& whyNot) {
  if (!bytes) {
    std::cerr << "velkor-cli : " << whyNot << "\n";
    return false;
  }
  return writeOutputFile(path, *bytes);
}

}  // namespace velkor
