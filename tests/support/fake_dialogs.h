// Dialogs answered in advance, recording what the user was shown.
#pragma once

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "image/user_dialogs.h"

namespace velkor::testing_support {

class FakeDialogs : public UserDialogs {
 public:
  std::deque<bool> answers;  // for askOkCancel and askYesNo, in order
  std::optional<std::filesystem::path> openChoice;  // for every open or read dialog
  std::optional<std::filesystem::path> saveChoice;  // for every save or write dialog
  FileFilter saveFilter = FileFilter::All;  // the name is kept as given unless a test picks the programs' filter
  std::filesystem::path saveSuggestion;  // what the last save dialog opened on
  SaveChoice saveFirst = SaveChoice::Save;  // the answer to askSaveFirst
  int saveFirstQuestions = 0;
  std::vector<std::string> shown;  // every text shown, questions included
  int beeps = 0;
  int errors = 0;
  std::function<void()> whenAsked;  // runs as each question or file dialog comes up

  void beep() override { ++beeps; }
  void showMessage(std::string_view text) override { shown.emplace_back(text); }
  bool askOkCancel(std::string_view title, std::string_view text) override { return answer(title, text); }
  bool askYesNo(std::string_view title, std::string_view text) override { return answer(title, text); }
  std::optional<std::filesystem::path> chooseFileToOpen() override {
    if (whenAsked) whenAsked();
    return openChoice;
  }
  std::optional<ChosenFile> chooseFileToSave(const std::filesystem::path& suggestion) override {
    if (whenAsked) whenAsked();
    saveSuggestion = suggestion;
    if (!saveChoice) return std::nullopt;
    return ChosenFile{*saveChoice, saveFilter};
  }
  std::optional<std::filesystem::path> chooseFileToRead(std::string_view, std::string_view) override {
    if (whenAsked) whenAsked();
    return openChoice;
  }
  std::optional<std::filesystem::path> chooseFileToWrite(std::string_view, std::string_view) override {
    if (whenAsked) whenAsked();
    return saveChoice;
  }
  SaveChoice askSaveFirst(std::string_view title, std::string_view text) override {
    ++saveFirstQuestions;
    shown.push_back(std::string(title) + "|" + std::string(text));
    if (whenAsked) whenAsked();
    return saveFirst;
  }
  void reportError(std::string_view text) override {
    ++errors;
    shown.emplace_back(text);
  }

 private:
  bool answer(std::string_view title, std::string_view text) {
    shown.push_back(std::string(title) + "|" + std::string(text));
    if (whenAsked) whenAsked();
    if (answers.empty()) throw std::logic_error("unexpected question: " + std::string(text));
    const bool a = answers.front();
    answers.pop_front();
    return a;
  }
};

}  // namespace velkor::testing_support
