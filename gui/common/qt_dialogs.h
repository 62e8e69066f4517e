// The real dialogs: Qt message boxes, file dialogs and the system beep, for
// every window of the application.
#pragma once

#include <QPointer>
#include <QWidget>

#include "image/user_dialogs.h"

namespace velkor {

// Each box or file dialog stands over the window the user is in, so a
// question of the board window comes up there; `parent` when none is active.
class QtDialogs : public UserDialogs {
 public:
  explicit QtDialogs(QWidget* parent = nullptr) : parent_(parent) {}
  void setParent(QWidget* parent) { parent_ = parent; }

  void beep() override;
  void showMessage(std::string_view text) override;
  bool askOkCancel(std::string_view title, std::string_view text) override;
  bool askYesNo(std::string_view title, std::string_view text) override;
  std::optional<std::filesystem::path> chooseFileToOpen() override;
  std::optional<ChosenFile> chooseFileToSave(const std::filesystem::path& suggestion) override;
  std::optional<std::filesystem::path> chooseFileToRead(std::string_view caption, std::string_view filters) override;
  std::optional<std::filesystem::path> chooseFileToWrite(std::string_view caption, std::string_view filters) override;
  SaveChoice askSaveFirst(std::string_view title, std::string_view text) override;
  void reportError(std::string_view text) override;

 private:
  QWidget* owner() const;

  QPointer<QWidget> parent_;
};

}  // namespace velkor
