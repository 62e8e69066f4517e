#include "gui/simulation/logic_window.h"

#include <QCoreApplication>
#include <QLineEdit>
#include <QPushButton>

#include "document/text_rules.h"
#include "gui/common/signal_tip.h"

namespace velkor {

namespace {

const QColor kNavy(0, 0, 128);
const QColor kActiveText(0, 128, 0);
const QColor kInactiveText(255, 0, 0);
const QColor kActivePen(255, 255, 0);
const QColor kInactivePen(0, 0, 0);

QLabel* panelLabel(QWidget* parent, const char* name, const QString& text, const FormScale& scale) {
  auto* label = new QLabel(text, parent);
  label->setObjectName(QString::fromLatin1(name));
  label->setFont(simulationFont(scale(16), true));
  label->setAutoFillBackground(true);
  QPalette palette = label->palette();
  palette.setColor(QPalette::Window, Qt::white);
  palette.setColor(QPalette::WindowText, kNavy);
  label->setPalette(palette);
  label->adjustSize();
  return label;
}

}  // namespace

TForm2::TForm2(const ProgramImages& images, std::function<int()> activePageIndex, QWidget* parent)
    : SimulationDialog(images, std::move(activePageIndex), parent) {
  setObjectName(QStringLiteral("Form2"));
  setUpWindow(QStringLiteral("Simulation de sortie logique"), 317, 179);

  for (int k = 1; k <= kLogicInputCount; ++k) {
    auto* box = new QCheckBox(QStringLiteral("EL%1").arg(k), this);
    box->setObjectName(QStringLiteral("el%1").arg(k));
    box->setGeometry(scale_(QRect(8, 16 * k, 49, 17)));
    el[k - 1] = box;
  }
  for (int k = 1; k <= kAnalogInputCount; ++k) {
    auto* spin = new InputSpinBox(this);
    spin->setObjectName(QStringLiteral("ea%1").arg(k));
    spin->setRange(0, 5100);
    spin->setSingleStep(1);
    spin->setValue(0);
    spin->setGeometry(scale_(QRect(64, 24 * k, 49, 22)));
    connect(spin, &InputSpinBox::typedTextChanged, this, [this, spin] { ea1Change(spin); });
    ea[k - 1] = spin;
    auto* label = new QLabel(QStringLiteral("EA%1").arg(k), this);
    label->setObjectName(QStringLiteral("Label%1").arg(k));
    label->adjustSize();
    label->move(scale_(116), scale_(24 * k) + (scale_(22) - label->height()) / 2);
    eaLabel[k - 1] = label;
  }

  Shape1 = new RectangleShape(this);
  Shape1->setObjectName(QStringLiteral("Shape1"));
  Shape1->setGeometry(scale_(QRect(144, 40, 153, 57)));
  Shape1->setPenWidth(scale_(5));
  Shape1->setPenColor(kInactivePen);

  Label5 = panelLabel(this, "Label5", QStringLiteral("La sortie logique "), scale_);
  Label5->move(scale_(QPoint(152, 47)));
  Label6 = panelLabel(this, "Label6", QStringLiteral("N°"), scale_);
  numero = panelLabel(this, "numero", QStringLiteral("1"), scale_);
  Label8 = panelLabel(this, "Label8", QStringLiteral("est :"), scale_);
  Label9 = panelLabel(this, "Label9", QStringLiteral("inactive"), scale_);
  setTextColor(Label9, kInactiveText);
  placeSecondLine();

  Button1 = makeCloseButton();

  Timer1 = new QTimer(this);
  Timer1->setObjectName(QStringLiteral("Timer1"));
  setStartTimer(Timer1);

  for (int k = 1; k < kLogicInputCount; ++k) setTabOrder(el[k - 1], el[k]);
  setTabOrder(el[kLogicInputCount - 1], ea[0]);
  for (int k = 1; k < kAnalogInputCount; ++k) setTabOrder(ea[k - 1], ea[k]);
  setTabOrder(ea[kAnalogInputCount - 1], Button1);

  FormCreate();
}

void TForm2::placeSecondLine() {
  int x = scale_(152);
  for (QLabel* label : {Label6, numero, Label8, Label9}) {
    label->adjustSize();
    label->move(x, scale_(69));
    x += label->width() + scale_(4);
  }
}

void TForm2::ea1Change(InputSpinBox* field) {
  if (trimBlanks(field->typedText().toStdString()).empty()) field->setTypedText(QStringLiteral("0"));
}

void TForm2::RunSimulation() {
  QCoreApplication::processEvents();  // once, before the start; the passes wait for events
  for (QCheckBox* box : el) {
    box->setChecked(false);
    box->setEnabled(false);
  }
  for (InputSpinBox* spin : ea) {
    spin->setTypedText(QString());  // ea1Change puts "0" back
    spin->setEnabled(false);
  }
  const int page = simulatedPage();
  numero->setText(QString::number(page));
  placeSecondLine();
  showNames(page);
  const RunStart start = simulation_.start(imageOf(page));
  for (int k = 0; k < kLogicInputCount; ++k)
    if (start.logicEnabled[k]) el[k]->setEnabled(true);
  for (int k = 0; k < kAnalogInputCount; ++k) {
    if (!start.analogEnabled[k]) continue;
    ea[k]->setEnabled(true);
    ea[k]->setTypedText(QString::fromStdString(start.analogText[k]));
  }
  StopRequested = false;
  runPasses([this] { ShowOutputState(simulation_.evaluate(currentInputs())); });
}

bool TForm2::EvaluateCondition(unsigned char code) const {
  return simulation_.evaluateCondition(code, currentInputs());
}

void TForm2::ShowOutputState(bool active) {
  const QString caption = QString::fromLatin1(outputStateCaption(active).data(), qsizetype(outputStateCaption(active).size()));
  if (Label9->text() != caption) {
    Label9->setText(caption);
    Label9->adjustSize();
  }
  setTextColor(Label9, active ? kActiveText : kInactiveText);
  Shape1->setPenColor(active ? kActivePen : kInactivePen);
}

void TForm2::showNames(int page) {
  for (int k = 0; k < kLogicInputCount; ++k) setSignalTip({el[k]}, names_, k);
  for (int k = 0; k < kAnalogInputCount; ++k) setSignalTip({ea[k], eaLabel[k]}, names_, kLogicInputCount + k);
  setSignalTip({Shape1, Label5, Label6, numero, Label8, Label9}, names_, outputSignal(page));
}

InputState TForm2::currentInputs() const {
  InputState inputs;
  for (int k = 0; k < kLogicInputCount; ++k) inputs.logic[k] = el[k]->isChecked();
  for (int k = 0; k < kAnalogInputCount; ++k) inputs.analogText[k] = ea[k]->typedText().toStdString();
  return inputs;
}

}  // namespace velkor
