// The program files of the Fichiers menu: "Nouveau", "Ouvrir",
// "Enregistrer", "Sauvegarder", the files last opened or saved listed above
// "Quitter", a file given at start and a file dropped on the window. The
// pages show what was read before any message about the file.
#pragma once

#include <QObject>
#include <QString>
#include <filesystem>
#include <vector>

#include "gui/editor/recent_files.h"
#include "image/program.h"
#include "image/user_dialogs.h"

class QAction;
class QMenu;
class QWidget;

namespace velkor {

class CommandRunner;
class HistoryBinding;
class PagesView;
struct OpenOutcome;

class FileMenu : public QObject {
 public:
  // The recent files go in `menu` above `recentEnd`; a file dropped on
  // `window` opens.
  FileMenu(Program& program, UserDialogs& dialogs, HistoryBinding& history, PagesView& pages,
           const CommandRunner& runner, QMenu* menu, QAction* recentEnd, QWidget* window);

  RecentFiles& recent() { return recent_; }
  void nouveau();
  void ouvrir();
  // "Enregistrer" (`toCurrentFile`) or "Sauvegarder": either writes the
  // program, the file then holds the current state of the history.
  void save(bool toCurrentFile);
  // Opens a file as "Ouvrir" does once the file is chosen, asking first
  // while there are unsaved changes (a file given at start, dropped, recent).
  void openFile(const std::filesystem::path& path);
  // Opens `path` once the window has first been activated (`velkor FILE`).
  void openAtStart(std::filesystem::path path) { fileAtStart_ = std::move(path); }
  // The window was first activated: the file given at start opens, so its
  // messages have a window to stand on.
  void windowUp();
  // While a transfer runs, no file command may replace the program.
  void refuse(bool refused) { refused_ = refused; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void fileOpened(const OpenOutcome& outcome);
  void showRecentFiles();
  void openRecentFile(const QString& file);

  Program& program_;
  UserDialogs& dialogs_;
  HistoryBinding& history_;
  PagesView& pages_;
  const CommandRunner& runner_;
  QMenu* menu_;
  QAction* recentEnd_;  // the separator above "Quitter"
  QWidget* window_;
  RecentFiles recent_;
  std::vector<QAction*> recentEntries_;
  std::filesystem::path fileAtStart_;
  bool refused_ = false;
};

}  // namespace velkor
