// velkor-cli: the editor's program files from the command line.
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cli/board_commands.h"
#include "cli/console.h"
#include "cli/describe.h"
#include "cli/evaluate.h"
#include "cli/simulate.h"
#include "image/file_commands.h"

namespace {

using velkor::kExitDone;
using velkor::kExitRefused;
using velkor::kExitUsage;

constexpr std::string_view kUsage = R"(Usage : velkor-cli show [--json] FICHIER
        velkor-cli eval FICHIER SORTIE [ETAPE ...]
        velkor-cli simulate FICHIER SCENARIO.csv [--svg SORTIE.svg] [--png SORTIE.png]
        velkor-cli upload FICHIER --port PORT
        velkor-cli download FICHIER --port PORT
        velkor-cli verify FICHIER --port PORT
        velkor-cli --help

show FICHIER
    Lit le fichier programme comme la commande « Ouvrir » de l'éditeur et
    affiche le programme, une sortie par ligne, de SL1 à SL7 puis SA1 à SA4 :
      SL1 : EL1=1 ET EA2 (> 250 mV) — pause 1000 mS
      SA1 : EL1=1 — tension 0 mV, non maintenue — pause 0 mS

show --json FICHIER
    Affiche le même programme en JSON, un objet par sortie :
      {"outputs": [
        {"name": "SL1", "conditions": ["EL1=1", "EA2"], "links": ["ET"],
         "thresholds": {"EA2": {"comparator": ">", "millivolts": 250}}, "pause_ms": 1000},
        {"name": "SA1", "conditions": ["EL1=1"], "links": [], "voltage_mv": 0, "hold": false, "pause_ms": 0}
      ]}
    "conditions" : la chaîne depuis la case 1 jusqu'à sa fin (première case vide
    ou premier lien "R") ; "links" : les liens "OU"/"ET" entre conditions
    consécutives ; "thresholds" : les seuils des seules entrées analogiques
    nommées dans la chaîne (sorties logiques) ; "voltage_mv" et "hold" : la
    tension et son maintien (sorties analogiques). Pour un fichier endommagé,
    "warnings" liste, une ligne par sortie, ce qui n'a pas pu être lu :
      "warnings": ["SL2 : lien 2 illisible, la chaîne s'arrête à la condition 2"]

    Un fichier endommagé (des octets que l'éditeur n'écrit jamais) est lu
    aussi loin que possible, comme par l'éditeur ; show, eval, verify et
    upload écrivent alors sur la sortie d'erreur ce qui a été laissé de côté.

eval FICHIER SORTIE [ETAPE ...]
    Simule une sortie (SL1 à SL7, SA1 à SA4) comme la fenêtre de simulation,
    sans fenêtre. Au départ les entrées logiques sont à 0 et les entrées
    analogiques utilisées par la chaîne sont à leur seuil (les autres à 0).
    Chaque ETAPE est une liste de réglages séparés par des virgules, appliqués
    dans l'ordre : ELk=0 ou ELk=1, EAk=<millivolts>. Après chaque étape (ou une
    fois, sans étape) une ligne est écrite : « active » ou « inactive » pour
    une sortie logique ; pour une sortie analogique, les millivolts affichés
    (0 quand la sortie n'est pas commandée), le maintien s'appliquant d'une
    étape à l'autre. Exemple :
      velkor-cli eval atelier.prg SL1 EL1=1 EL1=1,EA2=300 EL1=0

simulate FICHIER SCENARIO.csv [--svg SORTIE.svg] [--png SORTIE.png]
    Simule toute la carte comme la fenêtre « Simulation de la carte ». Le
    scénario est un fichier CSV : l'en-tête
      time_ms,EL1,EL2,EL3,EL4,EL5,EL6,EL7,EA1,EA2,EA3,EA4
    puis une ligne par instant, qui donne toutes les entrées à partir de cet
    instant (temps en ms, jamais décroissant ; EL1 à EL7 : 0 ou 1 ; EA1 à
    EA4 : de 0 à 5100 mV). Au départ les entrées sont à 0 et aucune tension
    n'est maintenue. Écrit l'en-tête
      time_ms,SL1,SL2,SL3,SL4,SL5,SL6,SL7,SA1,SA2,SA3,SA4
    puis, pour chaque ligne du scénario, les sorties une fois ses entrées
    appliquées : 0 ou 1 pour SL1 à SL7, les millivolts affichés pour SA1 à
    SA4 (la tension tant que la chaîne est vraie ; sinon la dernière tension
    si la sortie la maintient et a été commandée depuis le départ, sinon 0).
    --svg et --png écrivent en plus le chronogramme de la simulation. Un
    scénario incorrect est une erreur d'utilisation, avec son numéro de ligne.

upload FICHIER --port PORT
    Enregistre le programme du fichier dans la carte (« Enregistrer dans la
    carte »). PORT : COM1 à COM4 (/dev/ttyS0, /dev/ttyS1, /dev/ttyUSB0,
    /dev/ttyUSB1, ou la variable VELKOR_COM1 à VELKOR_COM4) ou un chemin de
    périphérique (/dev/ttyACM0...). Une ligne par sortie sur la sortie d'erreur.
download FICHIER --port PORT
    Charge le programme de la carte et l'écrit dans le fichier, seulement
    quand les onze images sont arrivées entières.
verify FICHIER --port PORT
    Charge le programme de la carte, le compare au fichier et affiche les
    sorties qui diffèrent, ou « identique ».

Codes de sortie :
  0  programme affiché, simulé, transféré, ou identique (verify)
  1  pas de communication avec la carte, ou programme différent (verify)
  2  erreur d'utilisation (commande, sortie, entrée ou valeur inconnue,
     scénario incorrect)
  3  fichier refusé (le message de l'éditeur est écrit sur la sortie d'erreur)
  4  port impossible à ouvrir
  5  fichier endommagé : programme affiché, simulé, transféré ou identique,
     mais ce qui n'a pas pu être lu est écrit sur la sortie d'erreur
)";

int usageError(std::string_view why) {
  std::cerr << "velkor-cli : " << why << "\n\n" << kUsage;
  return kExitUsage;
}

// Reads the file as "Ouvrir" does; nothing when refused (message given).
std::optional<velkor::OpenOutcome> open(velkor::Program& program, const std::string& path) {
  velkor::OpenOutcome outcome = velkor::openProgramFile(program, path);
  if (outcome.status == velkor::FileStatus::Ok) return outcome;
  velkor::printMessage(outcome.message);
  return std::nullopt;
}

// The exit code once the output is written: lost output (closed pipe, full
// disk) is a failure; then a damaged file is told.
int finish(const std::string& path, const velkor::OpenOutcome& outcome) {
  std::cout.flush();
  if (!std::cout) return velkor::kExitFailed;
  return velkor::reportDamage(std::filesystem::path(path).filename().string(), outcome.damaged, kExitDone);
}

int show(const std::string& path, bool json) {
  velkor::Program program;
  const auto outcome = open(program, path);
  if (!outcome) return kExitRefused;
  const auto outputs = velkor::summarize(program.document);
  std::cout << (json ? velkor::toJson(outputs, outcome->damaged) : velkor::toText(outputs));
  return finish(path, *outcome);
}

// upload | download | verify FILE --port PORT, in any order after the command.
int transfer(const std::vector<std::string>& args) {
  std::string file, port;
  for (std::size_t i = 1; i < args.size(); ++i) {
    if (args[i] == "--port" && i + 1 < args.size()) port = args[++i];
    else if (args[i].starts_with("--port=")) port = args[i].substr(7);
    else if (!args[i].starts_with("--") && file.empty()) file = args[i];
    else return usageError("argument inattendu : " + args[i]);
  }
  if (file.empty() || port.empty()) return usageError(args[0] + " attend FICHIER --port PORT");
  if (args[0] == "upload") return velkor::uploadCommand(file, port);
  if (args[0] == "download") return velkor::downloadCommand(file, port);
  return velkor::verifyCommand(file, port);
}

int eval(const std::vector<std::string>& args) {
  if (args.size() < 2) return usageError("eval attend FICHIER SORTIE [ETAPE ...]");
  const int page = velkor::outputPage(args[1]);
  if (page == 0) return usageError("sortie inconnue : " + args[1]);
  velkor::Program program;
  const auto outcome = open(program, args[0]);
  if (!outcome) return kExitRefused;
  program.construireImages();  // as "Simuler" does before opening its window
  const velkor::EvalResult result =
      velkor::evaluateOutput(program.images, page, std::vector<std::string>(args.begin() + 2, args.end()));
  if (!result.error.empty()) return usageError(result.error);
  for (const std::string& line : result.lines) std::cout << line << "\n";
  return finish(args[0], *outcome);
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  for (const std::string& a : args)
    if (a == "--help" || a == "-h") {
      std::cout << kUsage;
      return kExitDone;
    }
  if (args.empty()) return usageError("commande manquante");
  if (args[0] == "eval") return eval(std::vector<std::string>(args.begin() + 1, args.end()));
  if (args[0] == "simulate") return velkor::simulateCommand({args.begin() + 1, args.end()}, usageError);
  if (args[0] == "upload" || args[0] == "download" || args[0] == "verify") return transfer(args);
  if (args[0] != "show") return usageError("commande inconnue : " + args[0]);

  bool json = false;
  std::vector<std::string> files;
  for (std::size_t i = 1; i < args.size(); ++i) {
    if (args[i] == "--json") json = true;
    else if (args[i].starts_with("--")) return usageError("option inconnue : " + args[i]);
    else files.push_back(args[i]);
  }
  if (files.size() != 1) return usageError("il faut un seul FICHIER");
  return show(files[0], json);
}
