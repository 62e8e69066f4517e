// File paths as Qt text and back, in the system's own encoding of names.
#pragma once

#include <QString>
#include <filesystem>

namespace velkor {

inline QString toQString(const std::filesystem::path& path) {
#ifdef _WIN32
  return QString::fromStdWString(path.wstring());
#else
  return QString::fromLocal8Bit(path.native().c_str());
#endif
}

inline std::filesystem::path toPath(const QString& text) {
#ifdef _WIN32
  return std::filesystem::path(text.toStdWString());
#else
  return std::filesystem::path(text.toLocal8Bit().toStdString());
#endif
}

}  // namespace velkor
