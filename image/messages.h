// The French messages of program files, as the user reads them.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace velkor::msg {

inline constexpr std::string_view kUnsuitableFile = "Ce fichier ne convient pas à cette application";
inline constexpr std::string_view kUnreadableFile = "Fichier illisible ou déjà ouvert";
inline constexpr std::string_view kMissingFile = "Fichier introuvable";
inline constexpr std::string_view kAttentionTitle = "Attention...";
inline constexpr std::string_view kLoseChangesContinue = "Vous allez perdre les modifications. Continuer ?";
inline constexpr std::string_view kConfirmationTitle = "Confirmation";

// Why a save was refused, after "Impossible d'enregistrer le fichier NAME : ".
inline constexpr std::string_view kReadOnlyFile = "le fichier est en lecture seule";
inline constexpr std::string_view kNotAPlainFile = "ce n'est ni un fichier ni un périphérique où écrire";
inline constexpr std::string_view kNobodyReadsThePipe = "aucun programme ne lit ce tube";
inline constexpr std::string_view kReaderLeftThePipe = "le programme qui lisait ce tube l'a fermé avant la fin";

// "Voulez-vous écraser le fichier NAME existant?" with the name without its folder.
inline std::string overwriteQuestion(std::string_view fileName) {
  return "Voulez-vous écraser le fichier " + std::string(fileName) + " existant?";
}

// A message about a file, followed by the file's name without its folder and,
// when known, the reason: "Fichier illisible ou déjà ouvert", an empty line,
// "atelier.prg : permission refusée".
inline std::string aboutFile(std::string_view message, std::string_view fileName, std::string_view reason = {}) {
  std::string text = std::string(message) + "\r\r" + std::string(fileName);
  if (!reason.empty()) text += " : " + std::string(reason);
  return text;
}

// Told after opening a file that holds bytes the editor never writes: what
// decoding left out, one line per damaged output.
inline std::string damagedFile(std::string_view fileName, const std::vector<std::string>& outputs) {
  std::string text = "Le fichier " + std::string(fileName) +
                     " est endommagé ; ce qui n'a pas pu être lu a été laissé de côté :\r";
  for (const std::string& line : outputs) text += "\r" + line;
  return text;
}

// Told when the names file beside a program cannot be read: the program is
// shown without names, and the file stays as it is.
inline std::string damagedNamesFile(std::string_view fileName, std::string_view problem) {
  return "Les noms du programme n'ont pas pu être lus dans " + std::string(fileName) + " : " + std::string(problem) +
         ".\r\rLe programme est montré sans noms ; ce fichier ne sera remplacé que si le programme est sauvegardé "
         "avec des noms.";
}

}  // namespace velkor::msg
