#include "gui/editor/overview_window.h"

#include <QFontMetrics>
#include <QListWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "gui/common/window_placement.h"
#include "image/program_summary.h"

namespace velkor {

OverviewWindow::OverviewWindow(const ProgramDocument& document, QWidget* editor)
    : QWidget(editor, Qt::Window), document_(document) {
  setObjectName("VueDEnsemble");
  setWindowTitle(QStringLiteral("Vue d'ensemble"));
  setAttribute(Qt::WA_QuitOnClose, false);
  auto* layout = new QVBoxLayout(this);
  lines_ = new QListWidget(this);
  lines_->setObjectName("lignes");
  for (int page = 1; page <= kPageCount; ++page) lines_->addItem(QString());
  // A click or Enter; a double click is a click as well.
  auto choose = [this](const QModelIndex& index) { Q_EMIT pageChosen(index.row() + 1); };
  connect(lines_, &QListWidget::clicked, this, choose);
  connect(lines_, &QListWidget::activated, this, choose);
  layout->addWidget(lines_);
  followProgram();
}

QSize OverviewWindow::sizeHint() const {
  // Every line whole, where the screen has room (placeBeside bounds it).
  const QFontMetrics metrics(lines_->font());
  int width = 0;
  for (int row = 0; row < lines_->count(); ++row)
    width = std::max(width, metrics.horizontalAdvance(lines_->item(row)->text()));
  const QMargins m = layout()->contentsMargins();
  const int frame = 2 * lines_->frameWidth() + 8;
  return {width + frame + m.left() + m.right(),
          lines_->sizeHintForRow(0) * lines_->count() + frame + m.top() + m.bottom()};
}

void OverviewWindow::showWindow() {
  followProgram();
  lines_->setCurrentRow(document_.activePage - 1);  // the page shown: Enter opens it again
  showBesideEditor(this, placed_);
}

void OverviewWindow::followProgram() {
  const std::vector<OutputSummary> outputs = summarize(document_);
  for (const OutputSummary& output : outputs)
    lines_->item(output.page - 1)->setText(QString::fromStdString(outputLine(output, &document_.names)));
}

}  // namespace velkor
