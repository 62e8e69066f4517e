// What the user reads about the board, word for word. Lines are separated by
// CR bytes, as the messages have always been written.
#pragma once

#include <string>
#include <string_view>

#include "board/reply_rules.h"
#include "image/program_images.h"

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

inline constexpr std::string_view kUploadInterrupted = "Enregistrement interrompu !";
inline constexpr std::string_view kDownloadInterrupted = "Chargement interrompu !";
inline constexpr std::string_view kVerifyInterrupted = "Vérification interrompue !";
// What a download or a read that did not go through left as it was.
inline constexpr std::string_view kBoardUnchanged = "La carte n'a pas été modifiée.";
inline constexpr std::string_view kBoardAndPagesUnchanged =
    "La carte n'a pas été modifiée ; l'éditeur garde ses pages telles qu'elles étaient.";
inline constexpr std::string_view kDownloadDone = "Chargement OK !";
inline constexpr std::string_view kBoardHoldsTheProgram = "La carte contient le programme de l'éditeur.";
inline constexpr std::string_view kBoardHoldsAnother = "La carte ne contient pas le programme de l'éditeur :";

// "Envoi de SL3 (3/11)…" while uploading, "Lecture de SL3 (3/11)…" while reading.
inline std::string transferStepText(bool upload, int page) {
  return std::string(upload ? "Envoi de " : "Lecture de ") + pageCaption(page) + " (" + std::to_string(page) + "/" +
         std::to_string(kPageCount) + ")…";
}

// "Temps restant : environ 4 s", rounded up to the second.
inline std::string timeLeftText(unsigned milliseconds) {
  return "Temps restant : environ " + std::to_string((milliseconds + 999) / 1000) + " s";
}

// Below "Port COM occupé ou inexistant !": the port, its device and why.
inline std::string portUnavailable(std::string_view port, std::string_view reason) {
  std::string text = std::string(kPortUnavailable) + "\r\r" + std::string(port);
  if (!reason.empty()) text += " : " + std::string(reason);
  return text;
}

// What went wrong with the echo of the line of output `page`.
inline std::string echoFault(EchoFault fault, int page) {
  const std::string output = pageCaption(page);
  switch (fault) {
    case EchoFault::Silence: return "La carte n'a pas répondu à la ligne de " + output + ".";
    case EchoFault::Cut: return "La ligne de " + output + " n'est revenue qu'en partie : des octets se sont perdus.";
    case EchoFault::Different: break;
  }
  return "Pour " + output + ", la carte a répondu autre chose que la ligne envoyée.";
}

// "1 octet", "46 octets".
inline std::string byteCount(std::size_t n) { return std::to_string(n) + (n == 1 ? " octet" : " octets"); }

// What came back for the request of output `page`, once its wait was over.
inline std::string replyFault(const ReplyReading& reply, int page) {
  const std::string output = pageCaption(page);
  const std::string replyOf = "La réponse de " + output;
  const std::size_t image = imageLength(page);
  switch (reply.verdict) {
    case ReplyVerdict::Silent:
      if (reply.length == 0) return "La carte n'a pas répondu à la demande de " + output + ".";
      return "La carte n'a répondu à la demande de " + output + " que des blancs ou des octets de contrôle (" +
             byteCount(reply.length) + ").";
    case ReplyVerdict::Partial:
      return replyOf + " n'est arrivée qu'en partie : " + byteCount(reply.length) + " sur " + std::to_string(image) +
             ", sans fin de ligne.";
    case ReplyVerdict::Refused:
      return replyOf + " ne commence pas par un code de condition : la carte n'a pas de programme pour cette sortie.";
    case ReplyVerdict::Complete:
    case ReplyVerdict::Garbled: break;
  }
  switch (reply.flaw) {
    case ReplyFlaw::EarlyLineEnd:
      return replyOf + " est trop courte : une fin de ligne après " + byteCount(reply.length - 1) + " au lieu de " +
             std::to_string(image) + ".";
    case ReplyFlaw::NoLineEnd:
      return replyOf + " est trop longue : pas de fin de ligne après les " + std::to_string(image) +
             " octets de l'image.";
    case ReplyFlaw::ForeignByte:
    case ReplyFlaw::None: break;
  }
  return replyOf + " contient un octet que la carte n'envoie jamais (octet " + std::to_string(reply.length) + ").";
}

// A read of the board that stopped at output `page` on a port failure.
inline std::string readStoppedAt(int page) {
  return "La lecture de la carte s'est arrêtée à " + pageCaption(page) + ".";
}

// "SL4", or "SL4 à SL8" for a span of outputs.
inline std::string pageSpan(int first, int last) {
  return first == last ? pageCaption(first) : pageCaption(first) + " à " + pageCaption(last);
}

// A span of outputs that was stored, or was not, agreeing in number.
inline std::string spanStored(int first, int last) {
  return pageSpan(first, last) + (first == last ? " a été enregistrée" : " ont été enregistrées");
}
inline std::string spanNotStored(int first, int last) {
  return pageSpan(first, last) + (first == last ? " ne l'a pas été" : " ne l'ont pas été");
}

// What the board holds after an upload that stopped once `stored` outputs
// (SL1 onwards) were echoed: their new images; for the next one, whose echo
// failed, either image (the board may have stored the line and its echo been
// lost); its previous ones for the rest.
inline std::string boardHolds(int stored) {
  const int failed = stored + 1;
  if (stored <= 0)
    return "Aucune sortie n'a été enregistrée, sauf peut-être " + pageCaption(failed) +
           " : la carte garde pour le reste son programme précédent.";
  std::string text = spanStored(1, stored) + " ; " + pageCaption(failed) + " l'a peut-être été";
  if (failed < kPageCount) text += " ; " + spanNotStored(failed + 1, kPageCount);
  return text + " : la carte contient un programme incomplet.";
}

// What the board holds after an upload stopped by the user once `stored`
// outputs (SL1 onwards) were echoed: no line is left half-sent.
inline std::string boardHoldsAfterStop(int stored) {
  if (stored <= 0) return "Aucune sortie n'a été enregistrée : la carte garde son programme précédent.";
  return spanStored(1, stored) + " ; " + spanNotStored(stored + 1, kPageCount) +
         " : la carte contient un programme incomplet.";
}

}  // namespace velkor::msg
