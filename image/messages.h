// The French messages of program files, as the user reads them.
#pragma once

#include <string>
#include <string_view>

namespace velkor::msg {

inline constexpr std::string_view kUnsuitableFile = "Ce fichier ne convient pas à cette application";
inline constexpr std::string_view kUnreadableFile = "Fichier illisible ou déjà ouvert";
inline constexpr std::string_view kAttentionTitle = "Attention...";
inline constexpr std::string_view kLoseChangesContinue = "Vous allez perdre les modifications. Continuer ?";
inline constexpr std::string_view kConfirmationTitle = "Confirmation";

// "Voulez-vous écraser le fichier NAME existant?" with the name without its folder.
inline std::string overwriteQuestion(std::string_view fileName) {
  return "Voulez-vous écraser le fichier " + std::string(fileName) + " existant?";
}

}  // namespace velkor::msg
