// A PDF's text as poppler's pdftotext reads it, its words one space apart:
// lines wrap where the page ends, and a check looks for whole phrases.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>

#include "support/temp_dir.h"

namespace velkor::testing_support {

// The words of a text, one space between each.
inline std::string words(const std::string& text) {
  std::string out;
  for (std::size_t at = 0; at < text.size();) {
    const std::size_t end = text.find_first_of(" \n\t\f\r", at);
    if (end != at) out += (out.empty() ? "" : " ") + text.substr(at, end - at);
    if (end == std::string::npos) break;
    at = end + 1;
  }
  return out;
}

// The words of `pdf`, read by `pdftotext` into a text file beside it; empty
// when it could not be read.
inline std::string pdfWords(const std::string& pdftotext, const std::filesystem::path& pdf) {
  const std::filesystem::path text = pdf.string() + ".txt";
  const std::string command = pdftotext + " -raw '" + pdf.string() + "' '" + text.string() + "'";
  if (std::system(command.c_str()) != 0) return {};
  return words(readBytes(text));
}

}  // namespace velkor::testing_support
