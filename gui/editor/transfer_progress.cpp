#include "gui/editor/transfer_progress.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include "board/board_messages.h"

namespace velkor {

TransferProgress::TransferProgress(QWidget* parent)
    : QFrame(parent),
      title_(new QLabel(this)),
      step_(new QLabel(this)),
      bar_(new QProgressBar(this)),
      left_(new QLabel(this)),
      stop_(new QPushButton(QStringLiteral("Annuler"), this)) {
  setObjectName("TransferProgress");
  setFrameStyle(QFrame::Panel | QFrame::Raised);
  setLineWidth(2);
  setAutoFillBackground(true);
  QFont bold = title_->font();
  bold.setBold(true);
  title_->setFont(bold);
  step_->setObjectName("step");
  bar_->setObjectName("bar");
  left_->setObjectName("timeLeft");
  stop_->setObjectName("Annuler");
  bar_->setRange(0, kPageCount);
  bar_->setTextVisible(false);
  const QString widest = QString::fromStdString(msg::transferStepText(false, 11));
  step_->setMinimumWidth(fontMetrics().horizontalAdvance(widest) * 3 / 2);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(title_);
  layout->addWidget(step_);
  layout->addWidget(bar_);
  layout->addWidget(left_);
  layout->addWidget(stop_, 0, Qt::AlignRight);
  connect(stop_, &QPushButton::clicked, this, &TransferProgress::stop);
  hide();
}

void TransferProgress::begin(const QString& title) {
  title_->setText(title);
  step_->setText(QStringLiteral("Ouverture du port…"));
  bar_->setValue(0);
  left_->clear();
  stop_->setEnabled(true);
  adjustSize();
  const QSize area = parentWidget()->size();
  move((area.width() - width()) / 2, (area.height() - height()) / 2);
  raise();
}

void TransferProgress::showStep(const TransferStep& step) {
  step_->setText(QString::fromStdString(msg::transferStepText(step.upload, step.page)));
  bar_->setValue(step.done);
  if (stop_->isEnabled()) left_->setText(QString::fromStdString(msg::timeLeftText(step.msLeft)));
}

void TransferProgress::stop() {
  if (!stop_->isEnabled()) return;
  stop_->setEnabled(false);
  left_->setText(QStringLiteral("Arrêt après la ligne en cours…"));
  Q_EMIT stopAsked();
}

}  // namespace velkor
