// What the program asks of the user, behind one small interface, so the
// commands and every window run the same with the real dialogs and under
// tests.
#pragma once

#include <filesystem>
#include <optional>
#include <string_view>

namespace velkor {

// The filters the program files' dialogs offer, in their order: "Programmes
// VELKOR (*.prg)" and "Tous les fichiers (*)".
enum class FileFilter { Programs, All };

// A name given in a save dialog, as typed or picked, and the filter it was given under.
struct ChosenFile {
  std::filesystem::path path;
  FileFilter filter = FileFilter::Programs;
};

// What to do with work that closing would lose: save it first, drop it, or go back.
enum class SaveChoice { Save, Drop, GoBack };

class UserDialogs {
 public:
  virtual ~UserDialogs() = default;

  virtual void beep() = 0;
  // A simple notice with one OK button.
  virtual void showMessage(std::string_view text) = 0;
  // A question with OK and Cancel; true for OK. Cancel is the default
  // button and Escape's: every such question may drop unsaved work.
  virtual bool askOkCancel(std::string_view title, std::string_view text) = 0;
  // The confirmation question with "&Oui" and "&Non"; true for Oui.
  virtual bool askYesNo(std::string_view title, std::string_view text) = 0;
  // The standard file dialogs, with the program files' filters; nothing when
  // cancelled. The save dialog opens in the folder of `suggestion` with its
  // name filled in, when given.
  virtual std::optional<std::filesystem::path> chooseFileToOpen() = 0;
  virtual std::optional<ChosenFile> chooseFileToSave(const std::filesystem::path& suggestion) = 0;
  // The file dialogs of the other files the windows read and write
  // (scenarios, pictures, traces), titled `caption` and offering `filters`,
  // separated by ";;" ("Scénarios (*.csv);;Tous les fichiers (*)"); nothing
  // when cancelled.
  virtual std::optional<std::filesystem::path> chooseFileToRead(std::string_view caption,
                                                                std::string_view filters) = 0;
  virtual std::optional<std::filesystem::path> chooseFileToWrite(std::string_view caption,
                                                                 std::string_view filters) = 0;
  // A question about work that would be lost, with "&Enregistrer", "&Ne pas
  // enregistrer" and "Annuler"; Annuler is the default button and Escape's.
  virtual SaveChoice askSaveFirst(std::string_view title, std::string_view text) = 0;
  // The application's central error report.
  virtual void reportError(std::string_view text) = 0;
};

}  // namespace velkor
