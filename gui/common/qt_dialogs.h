// The real dialogs: Qt message boxes, file dialogs and the system beep.
#pragma once

#include <QPointer>
#include <QWidget>

#include "image/user_dialogs.h"

namespace velkor {

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
  void reportError(std::string_view text) override;

 private:
  QPointer<QWidget> parent_;
};

}  // namespace velkor
