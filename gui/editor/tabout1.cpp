#include "gui/editor/tabout1.h"

#include <QFrame>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QScreen>
#include <QVBoxLayout>

#include "gui/common/form_scale.h"
#include "gui/common/window_placement.h"
#include "gui/editor/credit_buffer.h"

namespace velkor {

TAbout1::TAbout1(QWidget* parent) : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint) {
  setObjectName("TAbout1");
  setModal(true);
  const FormScale scale = FormScale::ofApplication();
  setFixedSize(scale(QSize(300, 170)));

  Panel1 = new QFrame(this);
  Panel1->setObjectName("Panel1");
  Panel1->setFrameStyle(QFrame::Panel | QFrame::Raised);
  Panel1->setLineWidth(2);
  Panel1->setGeometry(0, 0, width(), height());

  auto* layout = new QVBoxLayout(Panel1);
  auto addLine = [&](const QString& name, const QString& text, int pointSize, bool bold) {
    auto* label = new QLabel(text, Panel1);
    label->setObjectName(name);
    label->setAlignment(Qt::AlignCenter);
    QFont font = label->font();
    if (pointSize > 0) font = scale.pointFont(font, pointSize);
    font.setBold(bold);
    label->setFont(font);
    label->installEventFilter(this);
    layout->addWidget(label);
    return label;
  };
  addLine("Title", QStringLiteral("VELKOR"), 20, true);
  addLine("Subtitle", QStringLiteral("Éditeur et programmateur de la carte"), 0, false);
  credit_ = addLine("Credit", QString::fromLatin1(credit(), kCreditLength), 0, false);
  addLine("Version", QStringLiteral("Version ") + QStringLiteral(VELKOR_VERSION), 0, false);
  contact_ = addLine("Contact", QStringLiteral("Contact : velkor@example.org"), 0, false);
  contact_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  Panel1->installEventFilter(this);

  centreOnScreen(this);
}

void TAbout1::FormKeyPress(QKeyEvent* event) {
  if (!event->text().isEmpty()) accept();
}

void TAbout1::FormMouseDown() { accept(); }

void TAbout1::keyPressEvent(QKeyEvent* event) { FormKeyPress(event); }

void TAbout1::mousePressEvent(QMouseEvent*) { FormMouseDown(); }

bool TAbout1::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::MouseButtonPress) {
    if (watched == contact_) return false;  // the contact line can be selected, not clicked away
    FormMouseDown();
    return true;
  }
  return QDialog::eventFilter(watched, event);
}

}  // namespace velkor
