// How the menus' commands run. A failure nobody handled goes to the central
// error report here, so that the keyboard focus is put back afterwards: where
// the command's reaction puts it or, when it has none, in the field that had
// it (pages locked during a transfer, or a dialog, took it away).
#pragma once

#include <QPointer>
#include <QWidget>
#include <exception>
#include <optional>
#include <type_traits>

#include "document/program_document.h"
#include "gui/editor/central_report.h"
#include "gui/editor/pages_view.h"
#include "image/user_dialogs.h"

namespace velkor {

class CommandRunner {
 public:
  CommandRunner(QWidget* window, PagesView& pages, UserDialogs& dialogs)
      : window_(window), pages_(pages), dialogs_(dialogs) {}

  template <class F>
  void reportFailures(F&& command) const {
    try {
      command();
    } catch (...) {
      reportFailure(std::current_exception(), &dialogs_);
    }
  }

  // Runs a command, then puts the focus back. A command returns its
  // reaction, if it may have one.
  template <class F>
  void run(F&& command) const {
    const QPointer<QWidget> had = window_->focusWidget();
    std::optional<Reaction> reaction;
    reportFailures([&] {
      if constexpr (std::is_void_v<std::invoke_result_t<F>>)
        command();
      else
        reaction = command();
    });
    focusAfter(had, reaction);
  }

 private:
  void focusAfter(const QPointer<QWidget>& had, const std::optional<Reaction>& reaction) const;

  QWidget* window_;
  PagesView& pages_;
  UserDialogs& dialogs_;
};

}  // namespace velkor
