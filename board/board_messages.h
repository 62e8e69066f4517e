// What the user reads about the board, word for word. Lines are separated by
// CR bytes, as the messages have always been written.
#pragma once

#include <string_view>

namespace velkor::msg {

inline constexpr std::string_view kPortUnavailable = "Port COM occupé ou inexistant !";
inline constexpr std::string_view kNoProgramInBoard = "Il n'y a pas de programme en mémoire...";
inline constexpr std::string_view kNoCommunication = "Pas de communication avec la carte !";
inline constexpr std::string_view kCheckList =
    "Pas de communication avec la carte !\r\rVérifier :\r\r"
    "- le choix du port com (et le câble de liaison)\r"
    "- l'alimentation de la carte\r"
    "- l'absence du cavalier JP1 (la LED doit être éteinte)";
inline constexpr std::string_view kUploadDone =
    "Enregistrement OK !\r\rN'oubliez pas de mettre JP1 en place et de faire un arrêt/marche de la carte !";

}  // namespace velkor::msg
