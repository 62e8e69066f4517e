#include "image/system_errors.h"

#include <cerrno>
#include <cstring>
#include <initializer_list>

namespace velkor {
namespace {

struct Reason {
  std::initializer_list<int> errnos;
  std::initializer_list<std::int32_t> win32Codes;
  std::string_view french;
};

// Win32 codes by number, as they mean the same on every platform.
constexpr std::int32_t kFileNotFound = 2, kPathNotFound = 3, kAccessDenied = 5, kWriteProtect = 19,
                       kGenFailure = 31, kSharingViolation = 32, kHandleDiskFull = 39, kDiskFull = 112,
                       kBusy = 170, kIoDevice = 1117, kFileExists = 80, kAlreadyExists = 183,
                       kCantResolveFileName = 1921;

const Reason kReasons[] = {
    {{EACCES, EPERM}, {kAccessDenied}, "permission refusée"},
    {{EROFS}, {kWriteProtect}, "système de fichiers en lecture seule"},
    {{ENOSPC}, {kDiskFull, kHandleDiskFull}, "disque plein"},
    {{ENOENT, ENODEV, ENXIO}, {kFileNotFound, kPathNotFound}, "fichier ou périphérique introuvable"},
    {{EBUSY}, {kSharingViolation, kBusy}, "périphérique occupé"},
    {{EIO}, {kIoDevice, kGenFailure}, "erreur d'entrée-sortie"},
    {{EISDIR}, {}, "c'est un dossier"},
    {{ENOTTY}, {}, "ce n'est pas un port série"},  // a terminal call on anything else
    {{ELOOP}, {kCantResolveFileName}, "liens symboliques en boucle ou trop nombreux"},
    {{EEXIST}, {kFileExists, kAlreadyExists}, "le fichier existe déjà"},
};

template <class Value>
bool contains(std::initializer_list<Value> list, Value v) {
  for (Value item : list)
    if (item == v) return true;
  return false;
}

}  // namespace

std::string errnoText(int errnoValue) {
#ifdef EDQUOT
  if (errnoValue == EDQUOT) errnoValue = ENOSPC;  // over quota: full, as far as the user is concerned
#endif
  for (const Reason& r : kReasons)
    if (contains(r.errnos, errnoValue)) return std::string(r.french);
  return std::strerror(errnoValue);
}

std::string systemErrorText(std::int32_t code, std::string_view systemText) {
  // The serial layer on POSIX words its failures with strerror().
  for (const Reason& r : kReasons)
    for (int e : r.errnos)
      if (systemText == std::strerror(e)) return std::string(r.french);
  for (const Reason& r : kReasons)
    if (contains(r.win32Codes, code)) return std::string(r.french);
  return std::string(systemText);
}

}  // namespace velkor
