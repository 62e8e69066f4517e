#include "gui/editor/transfer_commands.h"

#include <QAction>
#include <QWidget>

#include "board/board_messages.h"
#include "gui/editor/command_runner.h"
#include "gui/editor/history_binding.h"
#include "gui/editor/port_menu.h"
#include "gui/editor/transfer_progress.h"
#include "image/file_commands.h"
#include "image/messages.h"
#include "image/program_differences.h"

namespace velkor {

TransferCommands::TransferCommands(BoardTransfer& transfer, PortMenu& ports, Program& program, HistoryBinding& history,
                                   UserDialogs& dialogs, const CommandRunner& runner,
                                   std::vector<QAction*> refused, QWidget* pages)
    : transfer_(transfer),
      ports_(ports),
      program_(program),
      history_(history),
      dialogs_(dialogs),
      runner_(runner),
      refused_(std::move(refused)),
      pages_(pages),
      progress_(new TransferProgress(pages->parentWidget())) {
  connect(progress_, &TransferProgress::stopAsked, this, [this] { transfer_.interrompre(); });
  transfer_.onProgress = [this](const TransferStep& step) { progress_->showStep(step); };
  transfer_.onBusyChanged = [this](bool running) { setRunning(running); };
}

template <class F>
void TransferCommands::run(const QString& title, F&& command) {
  if (!transfer_.busy()) history_.leaveTypedNumber();
  ports_.takeUpRememberedPort();
  progress_->begin(title);
  runner_.run(std::forward<F>(command));
}

void TransferCommands::download() {
  run(QStringLiteral("Chargement depuis la carte"), [this]() -> std::optional<Reaction> {
    if (!transfer_.busy() && !confirmLoseChanges(program_, dialogs_)) return std::nullopt;
    const TransferReport read = transfer_.chargerDepuisLaCarte();
    std::optional<Reaction> reaction;
    if (read.done()) {
      reaction = program_.load(read.images);
      history_.programReplaced(*reaction, "le chargement depuis la carte", ProgramOrigin::board());
    } else if (read.result != TransferResult::Interrupted) {
      // The images that arrived are kept; the pages stay as they were.
      for (int page = 1; page <= kPageCount; ++page)
        if (!read.images[page].empty()) program_.images[page] = read.images[page];
    }
    // The last word, once the pages show what they now hold.
    read.tell(dialogs_);
    return reaction;
  });
}

void TransferCommands::upload() {
  run(QStringLiteral("Enregistrement dans la carte"), [this] {
    program_.construireImages();
    transfer_.enregistrerDansLaCarte(program_.images).tell(dialogs_);
  });
}

void TransferCommands::verify() {
  run(QStringLiteral("Vérification de la carte"), [this] {
    program_.construireImages();
    const TransferReport read = transfer_.lireLaCarte();
    read.tell(dialogs_);
    if (!read.done()) return;
    const std::vector<FieldDifference> differences = programDifferences(read.images, program_.images);
    std::string text(differences.empty() ? msg::kBoardHoldsTheProgram : msg::kBoardHoldsAnother);
    for (std::size_t i = 0; i < differences.size(); ++i)
      text += (i == 0 ? "\r\r" : "\r") + differences[i].line("carte", "éditeur", &program_.document.names);
    dialogs_.beep();
    dialogs_.showMessage(text);
  });
}

void TransferCommands::setRunning(bool running) {
  for (QAction* action : refused_) action->setEnabled(!running);
  progress_->setVisible(running);
  pages_->setEnabled(!running);
  Q_EMIT runningChanged(running);
}

}  // namespace velkor
