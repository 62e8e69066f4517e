#include "gui/editor/command_runner.h"

namespace velkor {

void CommandRunner::focusAfter(const QPointer<QWidget>& had, const std::optional<Reaction>& reaction) const {
  if (reaction) return pages_.apply(*reaction);
  QWidget* target = had && had->isEnabled() && had->isVisible() ? had.data() : pages_.firstFieldShown();
  if (target) target->setFocus(Qt::OtherFocusReason);
}

}  // namespace velkor
