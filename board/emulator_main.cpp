// velkor-board: the board emulator on a pseudo-terminal (or a real line).
//
//   velkor-board [--link PATH] [--device DEV] [--program FILE] [--save FILE] [faults...]
//
// Prints the path the editor must open, then answers until interrupted.
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

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

constexpr int kExitUsage = 2;

// What is wrong and where to read more: the whole help would bury it.
int usageError(std::string_view why) {
  std::cerr << "velkor-board : " << why << "\nPour en savoir plus : velkor-board --help\n";
  return kExitUsage;
}

bool toInt(const std::string& text, int& value) {
  char* end = nullptr;
  errno = 0;
  const long v = std::strtol(text.c_str(), &end, 10);
  if (errno || end == text.c_str() || *end || v < 0 || v > 1000000) return false;
  value = static_cast<int>(v);
  return true;
}

struct Options {
  velkor::EmulatorFaults faults;
  std::string link, device, programFile, saveFile;
};

// An option that takes a value: what it says when the value is missing or
// wrong, and where a right one goes (false for a wrong one).
struct ValueOption {
  const char* name;
  const char* expects;
  std::function<bool(const std::string&)> take;
  std::string text = {};
  CLI::Option* given = nullptr;
};

bool takePieces(const std::string& text, velkor::EmulatorFaults& faults) {
  const auto colon = text.find(':');
  return colon != std::string::npos && toInt(text.substr(0, colon), faults.pieceSize) &&
         toInt(text.substr(colon + 1), faults.pieceDelayMs) && faults.pieceSize != 0;
}

bool takeLineEnd(const std::string& text, std::string_view& lineEnd) {
  for (auto [name, end] : {std::pair{"crlf", "\r\n"}, std::pair{"cr", "\r"}, std::pair{"lf", "\n"}})
    if (text == name) {
      lineEnd = end;
      return true;
    }
  return false;
}

// The command line, read with CLI11; every mistake is told in French here
// rather than in the library's words. An option given twice keeps its last
// value. Returns the exit code when the program ends here.
std::optional<int> readOptions(int argc, char** argv, Options& o) {
  for (int i = 1; i < argc; ++i)
    if (std::string_view(argv[i]) == "--help" || std::string_view(argv[i]) == "-h") {
      std::cout << kUsage;
      return 0;
    }
  CLI::App cli("velkor-board");
  cli.set_help_flag();
  cli.allow_extras();
  cli.allow_windows_style_options(false);
  cli.option_defaults()->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
  bool version = false;
  cli.add_flag("--version", version);
  cli.add_flag("--silent", o.faults.silent);
  cli.add_flag("--corrupt-echo", o.faults.corruptEcho);
  cli.add_flag("--no-program", o.faults.noProgram);
  cli.add_flag("--blanks", o.faults.blanksOnly);
  auto into = [](std::string& field) {
    return [&field](const std::string& text) { return field = text, true; };
  };
  auto number = [](int& field) { return [&field](const std::string& text) { return toInt(text, field); }; };
  ValueOption values[] = {
      {"--link", "--link attend un CHEMIN", into(o.link)},
      {"--device", "--device attend un PERIPH", into(o.device)},
      {"--program", "--program attend un FICHIER", into(o.programFile)},
      {"--save", "--save attend un FICHIER", into(o.saveFile)},
      {"--line-end", "--line-end attend crlf, cr ou lf",
       [&](const std::string& text) { return takeLineEnd(text, o.faults.lineEnd); }},
      {"--pieces", "--pieces attend N:MS", [&](const std::string& text) { return takePieces(text, o.faults); }},
      {"--delay", "--delay attend un nombre de millisecondes de 0 à 1000000", number(o.faults.replyDelayMs)},
      {"--truncate", "--truncate attend un nombre d'octets de 0 à 1000000", number(o.faults.truncateReply)},
      {"--hang-up-after", "--hang-up-after attend un nombre de lignes de 0 à 1000000",
       number(o.faults.hangUpAfterLines)},
  };
  for (ValueOption& v : values) v.given = cli.add_option(v.name, v.text);
  try {
    cli.parse(argc, argv);
  } catch (const CLI::ArgumentMismatch&) {
    // Only an option at the very end can lack its value.
    for (const ValueOption& v : values)
      if (argv[argc - 1] == std::string_view(v.name)) return usageError(v.expects);
    return usageError("arguments incorrects");
  } catch (const CLI::ParseError&) {
    return usageError("arguments incorrects");
  }
  if (!cli.remaining().empty()) {
    const std::string first = cli.remaining().front();
    return usageError((first.starts_with("-") ? "option inconnue : " : "argument inattendu : ") + first);
  }
  for (const ValueOption& v : values)
    if (*v.given && !v.take(v.text)) return usageError(v.expects);
  if (version) {
    std::cout << "velkor-board " << VELKOR_VERSION << "\n";
    return 0;
  }
  return std::nullopt;
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
  Options options;
  if (const auto done = readOptions(argc, argv, options)) return *done;
  const auto& [faults, link, device, programFile, saveFile] = options;

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
