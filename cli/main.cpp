// velkor-cli: the editor's program files from the command line.
#include <CLI/CLI.hpp>
#include <algorithm>
#include <cstdio>
#include <deque>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cli/board_commands.h"
#include "cli/console.h"
#include "cli/describe.h"
#include "cli/diff_command.h"
#include "cli/evaluate.h"
#include "cli/sheet_command.h"
#include "cli/simulate.h"
#include "cli/test_command.h"
#include "image/file_commands.h"

namespace {

using velkor::kExitDone;
using velkor::kExitRefused;
using velkor::kExitUsage;

constexpr std::string_view kUsage = R"(Usage : velkor-cli show [--json] FICHIER
        velkor-cli eval FICHIER SORTIE [ETAPE ...]
        velkor-cli simulate FICHIER SCENARIO.csv [--svg SORTIE.svg] [--png SORTIE.png]
                            [--expect SORTIE.csv]
        velkor-cli test FICHIER SCENARIO.csv [SCENARIO.csv ...] [--junit SORTIE.xml]
        velkor-cli diff [--json] A.prg B.prg
        velkor-cli sheet FICHIER [--pdf SORTIE.pdf] [--html SORTIE.html]
        velkor-cli upload FICHIER --port PORT [--port PORT ...]
        velkor-cli download FICHIER --port PORT
        velkor-cli verify [--json] FICHIER --port PORT [--port PORT ...]
        velkor-cli ports [--json]
        velkor-cli --help | --version

show FICHIER
    Lit le fichier programme comme la commande « Ouvrir » de l'éditeur et
    affiche le programme, une sortie par ligne, de SL1 à SL7 puis SA1 à SA4 :
      SL1 : EL1=1 ET EA2 (> 250 mV) — pause 1000 mS
      SA1 : EL1=1 — tension 0 mV, non maintenue — pause 0 mS
    Quand un fichier de noms accompagne le programme (voir plus bas), chaque
    sortie et chaque entrée nommées sont suivies de leur nom :
      SL1 (Pompe) : EL1=1 (Bouton marche) ET EA2 (Sonde) (> 250 mV) — pause 1000 mS

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
    Avec un fichier de noms, "title", "comment" et "signals" comme dans ce
    fichier (sans les clés que velkor-cli n'utilise pas).

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

simulate FICHIER SCENARIO.csv [--svg SORTIE.svg] [--png SORTIE.png] [--expect SORTIE.csv]
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
    --svg et --png écrivent en plus le chronogramme de la simulation ;
    --expect écrit le scénario suivi des sorties obtenues, comme attentes
    pour test (celles qu'il avait sont remplacées). Les colonnes SL1 à SA4
    d'un scénario sont ignorées ici. Le scénario est un fichier ordinaire
    d'au plus 16 Mo, aux lignes d'au plus 256 octets. Un scénario incorrect
    est une erreur d'utilisation, avec son numéro de ligne. Les couloirs du
    chronogramme portent les noms du fichier de noms ; le CSV garde SL1...

test FICHIER SCENARIO.csv [SCENARIO.csv ...] [--junit SORTIE.xml]
    Simule chaque scénario comme simulate et compare les sorties à celles
    qu'il attend : après les entrées, l'en-tête peut nommer des sorties,
    dans n'importe quel ordre,
      time_ms,EL1,EL2,EL3,EL4,EL5,EL6,EL7,EA1,EA2,EA3,EA4,SL3,SA1
    et chaque ligne donne alors la valeur attendue une fois ses entrées
    appliquées (0 ou 1, ou des millivolts) ; une case vide n'est pas
    vérifiée. Écrit une ligne par attente déçue (fichier, ligne du
    scénario, l'en-tête étant la ligne 1, temps, sortie) et un bilan :
      essai.csv:19 (t = 4500 ms) : SL3 attendu 1, obtenu 0
      3 scénarios, 120 attentes, 1 échec
    --junit écrit aussi le résultat en XML JUnit, que lisent les outils
    d'intégration continue : une testsuite par scénario, un testcase par
    ligne qui attend quelque chose, un élément failure par ligne déçue.

diff [--json] A.prg B.prg
    Compare deux fichiers programme champ par champ, comme verify le fait
    avec la carte, une ligne par différence :
      SL1 : seuil EA2 — A.prg > 250 mV, B.prg > 375 mV
    ou « Les deux fichiers contiennent le même programme. ». Avec --json :
      {"differences": [{"output": "SL1", "field": "seuil EA2",
       "a": "> 250 mV", "b": "> 375 mV"}], "a": "A.prg", "b": "B.prg",
       "identical": false}

sheet FICHIER [--pdf SORTIE.pdf] [--html SORTIE.html]
    Écrit la fiche du programme, en PDF (pages A4, comme l'imprime
    l'éditeur) et/ou en HTML : titre, commentaire, fichier et date ; le
    tableau des entrées et sorties avec leurs noms et commentaires ; pour
    chaque sortie sa chaîne en mots et un schéma de portes lu de gauche à
    droite, comme la carte la lit :
      SL1 Pompe = Bouton marche ET Sonde (EA2 > 250 mV) — pause 1000 mS

Fichier de noms
    Pour atelier.prg, atelier.prg.json (JSON en UTF-8, toutes les clés
    facultatives) donne au programme un titre, un commentaire et à chaque
    entrée et sortie un nom et un commentaire :
      {"title": "Serre nord", "comment": "...",
       "signals": {"EL1": {"name": "Bouton marche", "comment": "armoire"},
                   "SL1": {"name": "Pompe"}}}
    Un fichier de noms illisible (plus de 1 Mo, pas de l'UTF-8 ou du JSON,
    une valeur du mauvais type) est signalé sur la sortie d'erreur, avec le
    code 5 : le programme est montré sans noms.

upload FICHIER --port PORT
    Enregistre le programme du fichier dans la carte (« Enregistrer dans la
    carte »). PORT : COM1 à COM4 (/dev/ttyS0, /dev/ttyS1, /dev/ttyUSB0,
    /dev/ttyUSB1, ou la variable VELKOR_COM1 à VELKOR_COM4) ou un chemin de
    périphérique (/dev/ttyACM0, /dev/serial/by-id/...). L'avancement s'écrit
    sur la sortie d'erreur : « Envoi de SL3 (3/11)… », une ligne par sortie
    (une seule ligne réécrite sur un terminal).
upload FICHIER --port A --port B ...
    Programme toutes les cartes à la fois, une par port, puis écrit une ligne
    de résultat par port : « A : Enregistrement OK ! ... » ou le message
    d'échec. L'avancement est préfixé du port.
download FICHIER --port PORT
    Charge le programme de la carte et l'écrit dans le fichier, seulement
    quand les onze images sont arrivées entières. Un seul port.
verify FICHIER --port PORT [--port PORT ...]
    Charge le programme de chaque carte sans rien écrire et le compare au
    fichier, champ par champ :
      SL1 : seuil EA2 — carte > 375 mV, éditeur > 250 mV
    ou « La carte contient le programme de l'éditeur. » (lignes préfixées du
    port quand il y en a plusieurs). Avec --json :
      {"boards": [
        {"port": "COM1", "identical": false, "differences": [{"output": "SL1",
         "field": "seuil EA2", "board": "> 375 mV", "editor": "> 250 mV"}], "error": null}
      ]}
ports [--json]
    Liste les ports série présents : fabricant et produit de l'adaptateur,
    puis le périphérique (« FTDI FT232R USB UART — /dev/ttyUSB0 »). Avec
    --json : {"ports": [{"device": ..., "by_id": ..., "manufacturer": ...,
    "product": ..., "serial": ..., "vid": ..., "pid": ...}]} (null quand
    inconnu ; by_id est le nom stable /dev/serial/by-id/... à donner à --port).

Codes de sortie :
  0  programme affiché, simulé, transféré, identique (verify, diff), ou
     toutes les attentes tenues (test) ; avec plusieurs ports, sur toutes
     les cartes
  1  pas de communication avec une carte, programme différent (verify,
     diff), ou fichier de sortie impossible à écrire
  2  erreur d'utilisation (commande, sortie, entrée ou valeur inconnue,
     scénario incorrect)
  3  fichier refusé (le message de l'éditeur est écrit sur la sortie d'erreur)
  4  port impossible à ouvrir (l'un d'eux, avec plusieurs ports)
  5  fichier endommagé : programme affiché, simulé, testé, transféré ou identique,
     mais ce qui n'a pas pu être lu est écrit sur la sortie d'erreur ; ou
     fichier de noms illisible : programme montré sans noms
  6  une sortie n'a pas la valeur que son scénario attend (test)
  7  sortie standard impossible à écrire (fermée, disque plein), ce que dit
     la sortie d'erreur
)";

// What is wrong and where to read more: the whole help would bury it.
int usageError(std::string_view why) {
  std::cerr << "velkor-cli : " << why << "\nPour en savoir plus : velkor-cli --help\n";
  return kExitUsage;
}

// A damaged file, and a names file that could not be read, are told once the
// output is written.
int finish(const std::string& path, const velkor::OpenOutcome& outcome, bool namesShown = false) {
  std::cout.flush();
  const int code = velkor::reportDamage(velkor::fileNameOf(path), outcome.damaged, kExitDone);
  return namesShown ? velkor::reportNames(path, outcome.namesProblem, code) : code;
}

int show(const std::string& path, bool json) {
  velkor::Program program;
  const auto outcome = velkor::openProgram(program, path);
  if (!outcome) return kExitRefused;
  const velkor::ProgramNames* names = &program.document.names;  // none: shown as without a names file
  const auto outputs = velkor::summarize(program.document);
  std::cout << (json ? velkor::toJson(outputs, outcome->damaged, names) : velkor::toText(outputs, names));
  return finish(path, *outcome, true);
}

int eval(const std::vector<std::string>& args) {
  if (args.size() < 2) return usageError("eval attend FICHIER SORTIE [ETAPE ...]");
  const int page = velkor::outputPage(args[1]);
  if (page == 0) return usageError("sortie inconnue : " + args[1]);
  velkor::Program program;
  const auto outcome = velkor::openProgram(program, args[0]);
  if (!outcome) return kExitRefused;
  program.construireImages();  // as "Simuler" does before opening its window
  const velkor::EvalResult result =
      velkor::evaluateOutput(program.images, page, std::vector<std::string>(args.begin() + 2, args.end()));
  if (!result.error.empty()) return usageError(result.error);
  for (const std::string& line : result.lines) std::cout << line << "\n";
  return finish(args[0], *outcome);
}


// The command line, read with CLI11; every mistake is told in French here
// rather than in the library's words.
struct Command {
  bool json = false;
  std::vector<std::string> args;   // FICHIER [SORTIE ETAPE ...]
  std::vector<std::string> ports;  // each --port
  CLI::App* app = nullptr;
};

Command& addCommand(CLI::App& cli, std::deque<Command>& commands, const char* name, bool json, bool port) {
  Command& c = commands.emplace_back();
  c.app = cli.add_subcommand(name);
  c.app->set_help_flag();
  c.app->allow_extras();
  c.app->allow_windows_style_options(false);  // "/home/x/atelier.prg" is a file, not an option
  c.app->add_option("ARGS", c.args);
  if (json) c.app->add_flag("--json", c.json);
  if (port) c.app->add_option("--port", c.ports)->allow_extra_args(false);
  return c;
}

// The first option of `app` given more than once (--port aside, which may
// name several boards), or nothing.
std::optional<std::string> repeatedOption(const CLI::App& app) {
  for (const CLI::Option* option : app.get_options())
    if (option->get_name() != "--port" && option->nonpositional() && option->count() > 1) return option->get_name();
  return std::nullopt;
}

int run(int argc, char** argv) {
  for (int i = 1; i < argc; ++i)
    if (std::string_view(argv[i]) == "--help" || std::string_view(argv[i]) == "-h") {
      std::cout << kUsage;
      return kExitDone;
    }

  CLI::App cli("velkor-cli");
  cli.set_help_flag();
  cli.allow_extras();
  cli.allow_windows_style_options(false);
  bool version = false;
  cli.add_flag("--version", version);
  std::deque<Command> commands;  // grows without moving: the references below stay valid
  Command& showCmd = addCommand(cli, commands, "show", true, false);
  Command& evalCmd = addCommand(cli, commands, "eval", false, false);
  Command& uploadCmd = addCommand(cli, commands, "upload", false, true);
  Command& downloadCmd = addCommand(cli, commands, "download", false, true);
  addCommand(cli, commands, "verify", true, true);
  Command& portsCmd = addCommand(cli, commands, "ports", true, false);
  Command& diffCmd = addCommand(cli, commands, "diff", true, false);
  // simulate and test read their own arguments, with the same usage errors.
  auto ownArguments = [&cli](const char* name) {
    CLI::App* command = cli.add_subcommand(name);
    command->set_help_flag();
    command->prefix_command();
    command->allow_windows_style_options(false);
    return command;
  };
  CLI::App* simulateCmd = ownArguments("simulate");
  CLI::App* testCmd = ownArguments("test");
  CLI::App* sheetCmd = ownArguments("sheet");
  try {
    cli.parse(argc, argv);
  } catch (const CLI::ArgumentMismatch&) {
    return usageError("--port attend un PORT");
  } catch (const CLI::ParseError&) {
    return usageError("arguments incorrects");
  }
  if (auto option = repeatedOption(cli)) return usageError("option donnée deux fois : " + *option);
  if (version) {
    std::cout << "velkor-cli " << VELKOR_VERSION << "\n";
    return kExitDone;
  }
  auto unexpected = [](const std::string& command, const std::string& arg) {
    return usageError(command + (arg.starts_with("-") ? "option inconnue : " : "argument inattendu : ") + arg);
  };
  if (simulateCmd->parsed()) return velkor::simulateCommand(simulateCmd->remaining(), usageError);
  if (testCmd->parsed()) return velkor::testCommand(testCmd->remaining(), usageError);
  if (sheetCmd->parsed()) return velkor::sheetCommand(sheetCmd->remaining(), usageError);
  if (!cli.remaining().empty()) {
    const std::string first = cli.remaining().front();
    return first.starts_with("-") ? unexpected("", first) : usageError("commande inconnue : " + first);
  }
  const auto chosen = std::find_if(commands.begin(), commands.end(), [](const Command& c) { return c.app->parsed(); });
  if (chosen == commands.end()) return usageError("commande manquante");
  const Command& c = *chosen;
  const std::string name = c.app->get_name();
  if (!c.app->remaining().empty()) return unexpected(name + " : ", c.app->remaining().front());
  if (auto option = repeatedOption(*c.app)) return usageError(name + " : option donnée deux fois : " + *option);
  for (auto port = c.ports.begin(); port != c.ports.end(); ++port) {
    if (port->empty()) return usageError("--port attend un PORT");
    if (std::find(c.ports.begin(), port, *port) != port) return usageError(name + " : port donné deux fois : " + *port);
  }

  if (&c == &showCmd) {
    if (c.args.size() != 1) return usageError("show attend un seul FICHIER");
    return show(c.args[0], c.json);
  }
  if (&c == &evalCmd) return eval(c.args);
  if (&c == &diffCmd) {
    if (c.args.size() != 2) return usageError("diff attend A.prg B.prg");
    return velkor::diffCommand(c.args[0], c.args[1], c.json);
  }
  if (&c == &portsCmd) {
    if (!c.args.empty()) return unexpected("ports : ", c.args[0]);
    return velkor::portsCommand(c.json);
  }
  if (c.args.size() != 1 || c.ports.empty()) return usageError(name + " attend FICHIER --port PORT");
  if (&c == &downloadCmd) {
    if (c.ports.size() > 1) return usageError("download n'accepte qu'un seul --port : le fichier vient d'une carte");
    return velkor::downloadCommand(c.args[0], c.ports[0]);
  }
  if (&c == &uploadCmd) return velkor::uploadCommand(c.args[0], c.ports);
  return velkor::verifyCommand(c.args[0], c.ports, c.json);
}

}  // namespace

int main(int argc, char** argv) {
  velkor::setUpStandardStreams();
  return velkor::checkStandardOutput(run(argc, argv));
}
