// velkor-board: the board emulator on a pseudo-terminal (or a real line).
//
//   velkor-board [--link PATH] [--device DEV] [--program FILE] [--save FILE] [faults...]
//
// Prints the path the editor must open, then answers until interrupted.
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <optional>
#include <string>

#include "board/board_emulator.h"
#include "board/emulator_server.h"
#include "image/program_file.h"
#include "image/system_errors.h"

namespace {

velkor::EmulatorServer* theServer = nullptr;  // for the signal handlers

constexpr std::string_view kUsage = R"(Usage : velkor-board [options]

Émule la carte sur un pseudo-terminal et affiche le chemin à ouvrir, par ex. :
  VELKOR_COM1=$(velkor-board --link /tmp/carte &) velkor

Options :
  --link CHEMIN        crée aussi ce lien symbolique vers le pseudo-terminal
                       (refusé si CHEMIN existe, sauf lien laissé par velkor-board)
  --device PERIPH      répond sur ce terminal série au lieu d'un pseudo-terminal
  --program FICHIER    programme en mémoire au départ (fichier programme)
  --save FICHIER       écrit le programme en mémoire dans ce fichier à la fin
  --line-end FIN       termine chaque réponse par crlf (par défaut), cr ou lf
  --version            affiche la version
Pannes :
  --silent             ne répond jamais
  --corrupt-echo       l'écho diffère d'un octet
  --pieces N:MS        répond par morceaux de N octets espacés de MS ms
  --delay MS           attend MS ms avant chaque réponse
  --truncate N         coupe les réponses d'image à N octets
  --no-program         les images répondues commencent par « ? »
  --blanks             les images répondues ne sont que des blancs
  --hang-up-after N    coupe la ligne après N lignes reçues
)";

int usage(const std::string& why) {
  std::cerr << "velkor-board : " << why << "\n\n" << kUsage;
  return 2;
}

bool toInt(const char* text, int& value) {
  char* end = nullptr;
  errno = 0;
  const long v = std::strtol(text, &end, 10);
  if (errno || end == text || *end || v < 0 || v > 1000000) return false;
  value = static_cast<int>(v);
  return true;
}

// Whether `link` is a link velkor-board makes: to a pseudo-terminal (a run
// that did not end cleanly leaves one), or to the line served now.
bool isOwnLink(const std::filesystem::path& link, const std::string& to) {
  std::error_code ec;
  if (!std::filesystem::is_symlink(std::filesystem::symlink_status(link, ec))) return false;
  const std::string target = std::filesystem::read_symlink(link, ec).string();
  return !ec && (target == to || target.rfind("/dev/pts/", 0) == 0);
}

// The link to the line. Nothing but a link of our own is ever replaced: a
// program file, a folder or another link at that path is the user's.
std::optional<std::string> makeLink(const std::filesystem::path& link, const std::string& to) {
  std::error_code ec;
  if (std::filesystem::symlink_status(link, ec).type() != std::filesystem::file_type::not_found) {
    if (!isOwnLink(link, to)) return "ce chemin existe déjà et n'est pas un lien de velkor-board";
    if (::unlink(link.c_str()) != 0) return velkor::errnoText(errno);
  }
  if (::symlink(to.c_str(), link.c_str()) != 0)
    return errno == EEXIST ? "ce chemin existe déjà" : velkor::errnoText(errno);
  return std::nullopt;
}

}  // namespace

int main(int argc, char** argv) {
  velkor::EmulatorFaults faults;
  std::string link, device, programFile, saveFile;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    auto next = [&]() -> const char* { return i + 1 < argc ? argv[++i] : nullptr; };
    const char* v = nullptr;
    if (a == "--help" || a == "-h") {
      std::cout << kUsage;
      return 0;
    } else if (a == "--version") {
      std::cout << "velkor-board " << VELKOR_VERSION << "\n";
      return 0;
    } else if (a == "--link" && (v = next())) link = v;
    else if (a == "--device" && (v = next())) device = v;
    else if (a == "--program" && (v = next())) programFile = v;
    else if (a == "--save" && (v = next())) saveFile = v;
    else if (a == "--line-end" && (v = next())) {
      const std::string end = v;
      if (end == "crlf") faults.lineEnd = "\r\n";
      else if (end == "cr") faults.lineEnd = "\r";
      else if (end == "lf") faults.lineEnd = "\n";
      else return usage("--line-end attend crlf, cr ou lf");
    } else if (a == "--silent") faults.silent = true;
    else if (a == "--corrupt-echo") faults.corruptEcho = true;
    else if (a == "--no-program") faults.noProgram = true;
    else if (a == "--blanks") faults.blanksOnly = true;
    else if (a == "--delay" && (v = next()) && toInt(v, faults.replyDelayMs)) {
    } else if (a == "--truncate" && (v = next()) && toInt(v, faults.truncateReply)) {
    } else if (a == "--hang-up-after" && (v = next()) && toInt(v, faults.hangUpAfterLines)) {
    } else if (a == "--pieces" && (v = next())) {
      const std::string s = v;
      const auto colon = s.find(':');
      if (colon == std::string::npos || !toInt(s.substr(0, colon).c_str(), faults.pieceSize) ||
          !toInt(s.substr(colon + 1).c_str(), faults.pieceDelayMs) || faults.pieceSize == 0)
        return usage("--pieces attend N:MS");
    } else {
      return usage("option inconnue ou incomplète : " + a);
    }
  }

  velkor::BoardEmulator board(faults);
  if (!programFile.empty()) {
    const velkor::ReadResult read = velkor::readProgramFile(programFile);
    if (read.status != velkor::FileStatus::Ok) {
      std::cerr << read.message << "\n";
      return 3;
    }
    board.images = read.images;
  }

  velkor::posix::UniqueFd fd;
  velkor::posix::UniqueFd keeper;
  std::string path = device;
  if (!device.empty()) {
    std::string whyNot;
    fd = velkor::openSerialDevice(device, whyNot);
    if (!fd) {
      std::cerr << "velkor-board : " << device << " : " << whyNot << "\n";
      return 4;
    }
  } else {
    try {
      velkor::PseudoTerminal pty = velkor::openPseudoTerminal();
      fd = std::move(pty.master);
      keeper = std::move(pty.keeper);
      path = pty.path;
    } catch (const std::exception& e) {
      std::cerr << "velkor-board : " << e.what() << "\n";
      return 4;
    }
  }
  if (!link.empty()) {
    if (const auto whyNot = makeLink(link, path)) {
      std::cerr << "velkor-board : lien " << link << " : " << *whyNot << "\n";
      return 4;
    }
  }
  std::cout << path << std::endl;

  velkor::EmulatorServer server(board, std::move(fd), std::move(keeper));
  theServer = &server;
  std::signal(SIGINT, [](int) { theServer->stop(); });
  std::signal(SIGTERM, [](int) { theServer->stop(); });
  std::signal(SIGPIPE, SIG_IGN);
  server.run();
  theServer = nullptr;

  // Unless another emulator has taken the name since.
  std::error_code ec;
  if (!link.empty() && std::filesystem::read_symlink(link, ec) == path) ::unlink(link.c_str());
  if (!saveFile.empty()) {
    const velkor::WriteResult w = velkor::writeProgramFile(saveFile, board.images);
    if (!w.ok) {
      std::cerr << w.message << "\n";
      return 1;
    }
  }
  return 0;
}
