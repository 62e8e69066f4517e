#include "image/names_file.h"

#include <functional>
#include <optional>
#include <nlohmann/json.hpp>

#include "document/text_rules.h"
#include "image/plain_file.h"
#include "image/safe_write.h"

namespace velkor {
namespace {

using Json = nlohmann::ordered_json;  // members stay in the file's order

// Deeper than any names file needs; it bounds what writing a kept value back
// takes, which recurses.
constexpr int kMaxDepth = 32;

NamesRead damaged(std::string problem) {
  NamesRead read;
  read.status = NamesRead::Status::Damaged;
  read.problem = std::move(problem);
  return read;
}

// "ligne 3, colonne 12" for the byte at `offset`, columns counted in characters.
std::string place(std::string_view bytes, std::size_t offset) {
  offset = std::min(offset, bytes.size());
  std::size_t line = 1, column = 1;
  for (std::size_t i = 0; i < offset; ++i) {
    if (bytes[i] == '\n') {
      ++line;
      column = 1;
    } else if ((static_cast<unsigned char>(bytes[i]) & 0xC0) != 0x80) {
      ++column;
    }
  }
  return "ligne " + std::to_string(line) + ", colonne " + std::to_string(column);
}

std::optional<std::size_t> firstNonUtf8(std::string_view bytes) {
  for (std::size_t at = 0; at < bytes.size();) {
    const std::size_t length = utf8CharacterLength(bytes.substr(at));
    if (length == 0) return at;
    at += length;
  }
  return std::nullopt;
}

std::string jsonText(const Json& value) { return value.dump(-1, ' ', false, Json::error_handler_t::replace); }

// Reads the members of `object` into `text` fields by key; the others are kept.
// A problem when a known member is no text.
std::optional<std::string> readTexts(const Json& object, const std::string& where,
                                     std::initializer_list<std::pair<const char*, std::string*>> fields,
                                     KeptMembers& kept, const std::function<bool(const std::string&, const Json&)>& other = {}) {
  for (const auto& [key, value] : object.items()) {
    std::string* field = nullptr;
    for (const auto& [name, target] : fields)
      if (key == name) field = target;
    if (field) {
      if (!value.is_string()) return "« " + where + key + " » doit être un texte";
      *field = value.get<std::string>();
    } else if (!other || !other(key, value)) {
      kept.emplace_back(key, jsonText(value));
    }
  }
  return std::nullopt;
}

}  // namespace

std::filesystem::path namesFilePath(const std::filesystem::path& programFile) {
  std::filesystem::path names = programFile;
  names += ".json";
  return names;
}

NamesRead parseProgramNames(std::string_view bytes) {
  if (bytes.empty()) return damaged("le fichier est vide");
  if (const auto at = firstNonUtf8(bytes)) return damaged(place(bytes, *at) + " : ce n'est pas du texte UTF-8");
  bool tooDeep = false;
  Json root;
  try {
    root = Json::parse(bytes.begin(), bytes.end(), [&](int depth, Json::parse_event_t event, Json&) {
      const bool opens = event == Json::parse_event_t::object_start || event == Json::parse_event_t::array_start;
      if (opens && depth >= kMaxDepth) tooDeep = true;
      return !tooDeep;  // nothing more is kept: the file is refused
    });
  } catch (const Json::parse_error& e) {
    return damaged(place(bytes, e.byte > 0 ? e.byte - 1 : 0) + " : JSON incorrect");
  } catch (const Json::out_of_range&) {
    return damaged("un nombre est trop grand");
  } catch (const Json::exception&) {
    return damaged("JSON incorrect");
  }
  if (tooDeep) return damaged("JSON imbriqué sur plus de " + std::to_string(kMaxDepth) + " niveaux");
  if (!root.is_object()) return damaged("le fichier doit contenir un objet JSON : { … }");

  NamesRead read;
  read.status = NamesRead::Status::Ok;
  ProgramNames& names = read.names;
  std::optional<std::string> problem;
  const auto signalsMember = [&](const std::string& key, const Json& value) {
    if (key != "signals") return false;
    if (!value.is_object()) {
      problem = "« signals » doit être un objet";
      return true;
    }
    for (const auto& [id, note] : value.items()) {
      const auto signal = signalOf(id);
      if (!signal) {
        names.keptSignals.emplace_back(id, jsonText(note));
        continue;
      }
      if (!note.is_object()) {
        problem = "« signals." + id + " » doit être un objet";
        return true;
      }
      SignalNote& n = names.notes[std::size_t(*signal)];
      if (auto p = readTexts(note, "signals." + id + ".", {{"name", &n.name}, {"comment", &n.comment}}, n.kept)) {
        problem = p;
        return true;
      }
    }
    return true;
  };
  if (auto p = readTexts(root, "", {{"title", &names.title}, {"comment", &names.comment}}, names.kept, signalsMember))
    return damaged(*p);
  if (problem) return damaged(*problem);
  return read;
}

NamesRead readProgramNames(const std::filesystem::path& programFile) {
  std::string bytes;
  const auto append = [&](std::string_view piece) { return bytes.append(piece), true; };
  if (auto fault = readPlainFile(namesFilePath(programFile), append, kNamesFileMaxBytes)) {
    if (fault->kind == PlainFileFault::Kind::Missing) return {};
    if (fault->kind == PlainFileFault::Kind::TooBig)
      return damaged("plus de " + std::to_string(kNamesFileMaxBytes >> 20) + " Mo, trop pour un fichier de noms");
    return damaged(fault->reason);
  }
  return parseProgramNames(bytes);
}

std::string programNamesText(const ProgramNames& names) {
  const auto text = [](const std::string& s) { return jsonText(Json(s)); };
  const auto join = [](const std::vector<std::string>& parts, std::string_view between) {
    std::string joined;
    for (const std::string& part : parts) joined += (joined.empty() ? "" : std::string(between)) + part;
    return joined;
  };
  const auto member = [&](const std::string& key, const std::string& value) { return text(key) + ": " + value; };

  std::vector<std::string> signals;
  for (int s = 0; s < kSignalCount; ++s) {
    const SignalNote& note = names.notes[std::size_t(s)];
    if (note.empty()) continue;
    std::vector<std::string> parts;
    if (!note.name.empty()) parts.push_back(member("name", text(note.name)));
    if (!note.comment.empty()) parts.push_back(member("comment", text(note.comment)));
    for (const auto& [key, value] : note.kept) parts.push_back(member(key, value));
    signals.push_back(member(signalId(s), "{" + join(parts, ", ") + "}"));
  }
  for (const auto& [key, value] : names.keptSignals) signals.push_back(member(key, value));

  std::vector<std::string> members;
  if (!names.title.empty()) members.push_back(member("title", text(names.title)));
  if (!names.comment.empty()) members.push_back(member("comment", text(names.comment)));
  if (!signals.empty()) members.push_back(member("signals", "{\n    " + join(signals, ",\n    ") + "\n  }"));
  for (const auto& [key, value] : names.kept) members.push_back(member(key, value));
  if (members.empty()) return "{}\n";
  return "{\n  " + join(members, ",\n  ") + "\n}\n";
}

WriteResult writeProgramNames(const std::filesystem::path& programFile, const ProgramNames& names,
                              const FileWriter& writer) {
  if (names.empty()) {
    const NamesRead there = readProgramNames(programFile);
    if (there.status != NamesRead::Status::Ok || there.names.empty()) return {true, {}};
  }
  const std::filesystem::path path = namesFilePath(programFile);
  if (auto error = writeFileSafely(path, programNamesText(names), writer))
    return {false, "Impossible d'enregistrer le fichier " + path.filename().string() + " : " + *error};
  return {true, {}};
}

}  // namespace velkor
