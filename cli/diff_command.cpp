#include "cli/diff_command.h"

#include <iostream>

#include "cli/console.h"
#include "cli/json_text.h"
#include "image/program_differences.h"

namespace velkor {

int diffCommand(const std::string& first, const std::string& second, bool json) {
  Program a, b;
  const auto readA = openProgram(a, first);
  if (!readA) return kExitRefused;
  const auto readB = openProgram(b, second);
  if (!readB) return kExitRefused;
  // The images as the files hold them: bytes no field shows count too.
  const std::vector<FieldDifference> differences = programDifferences(readA->read, readB->read);

  // Named as the user knows them, by the paths given when the names are alike
  // (a file and its copy elsewhere, as git hands them over).
  std::string nameA = fileNameOf(first), nameB = fileNameOf(second);
  if (nameA == nameB) nameA = first, nameB = second;
  if (json) {
    std::cout << listPerLine("differences", differencesJson(differences, "a", "b"), {{"a", first}, {"b", second}, {"identical", differences.empty()}});
  } else if (differences.empty()) {
    std::cout << "Les deux fichiers contiennent le même programme.\n";
  } else {
    for (const FieldDifference& d : differences) std::cout << d.line(nameA, nameB) << "\n";
  }
  std::cout.flush();
  const int code = reportDamage(fileNameOf(first), readA->damaged, differences.empty() ? kExitDone : kExitFailed);
  return reportDamage(fileNameOf(second), readB->damaged, code);
}

}  // namespace velkor
