// The names file beside a program file: for "atelier.prg", "atelier.prg.json",
// UTF-8 JSON that other tools may write too. Every key is optional:
//   {"title": "Serre nord", "comment": "…",
//    "signals": {"EL1": {"name": "Bouton marche", "comment": "armoire"},
//                "SL3": {"name": "Pompe"}}}
// Members this program does not use are kept and written back after its own,
// in their order.
//
// The file is untrusted: a plain file of at most 1 MB, UTF-8, JSON nested at
// most 32 deep, with texts where texts belong. Anything else is refused
// whole, saying what is wrong; the program then opens without names.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

#include "document/program_names.h"
#include "image/file_writer.h"
#include "image/program_file.h"

namespace velkor {

constexpr std::uintmax_t kNamesFileMaxBytes = 1 << 20;

// "atelier.prg" gives "atelier.prg.json".
std::filesystem::path namesFilePath(const std::filesystem::path& programFile);

struct NamesRead {
  enum class Status { Absent, Ok, Damaged };
  Status status = Status::Absent;
  ProgramNames names;   // when Ok
  std::string problem;  // when Damaged, in French: "ligne 3, colonne 12 : JSON incorrect"
};

// The names of the program in `programFile`, from the file beside it.
NamesRead readProgramNames(const std::filesystem::path& programFile);
// A names file's bytes: Ok or Damaged.
NamesRead parseProgramNames(std::string_view bytes);

// The names file's bytes: one member per line, one line per signal.
std::string programNamesText(const ProgramNames& names);

// Writes the names beside `programFile` as a program file is saved (see
// writeFileSafely), through `writer`. Names that are empty write no file; a
// names file already there is then emptied ("{}"), so that it never gives
// the program names it no longer has, unless it cannot be read: the names it
// may hold were never shown, and nothing replaces them.
WriteResult writeProgramNames(const std::filesystem::path& programFile, const ProgramNames& names,
                              const FileWriter& writer = systemFileWriter());

}  // namespace velkor
