#include "gui/simulation/analog_window.h"

#include <QCoreApplication>
#include <QPushButton>

#include "gui/common/signal_tip.h"

namespace velkor {

namespace {

const QColor kNavy(0, 0, 128);
const QColor kGreen(0, 128, 0);

QLabel* label(QWidget* parent, const char* name, const QString& text, int pixelSize, bool bold,
              const QColor& color) {
  auto* l = new QLabel(text, parent);
  l->setObjectName(QString::fromLatin1(name));
  l->setFont(simulationFont(pixelSize, bold));
  setTextColor(l, color);
  l->adjustSize();
  return l;
}

QString toQString(std::string_view text) { return QString::fromLatin1(text.data(), qsizetype(text.size())); }

}  // namespace

TForm3::TForm3(const ProgramImages& images, std::function<int()> activePageIndex, QWidget* parent)
    : SimulationDialog(images, std::move(activePageIndex), parent) {
  setObjectName(QStringLiteral("Form3"));
  setUpWindow(QStringLiteral("Simulation de sortie analogique"), 318, 180);

  for (int k = 1; k <= kLogicInputCount; ++k) {
    auto* box = new QCheckBox(QStringLiteral("EL%1").arg(k), this);
    box->setObjectName(QStringLiteral("el%1").arg(k));
    box->setGeometry(scale_(QRect(24, 16 * k, 49, 17)));
    el[k - 1] = box;
  }

  Label5 = label(this, "Label5", QStringLiteral("Valeur de la sortie "), scale_(16), true, kNavy);
  Label5->move(scale_(QPoint(120, 24)));
  Label1 = label(this, "Label1", QStringLiteral("analogique N° "), scale_(16), true, kNavy);
  numero = label(this, "numero", QStringLiteral("1"), scale_(16), true, kNavy);
  Label2 = label(this, "Label2", QStringLiteral(":"), scale_(16), true, kNavy);
  placeSecondLine();

  num = label(this, "num", QStringLiteral("8888"), scale_(27), true, kGreen);
  num->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  num->setAlignment(Qt::AlignCenter);
  num->setGeometry(scale_(QRect(120, 80, 89, 36)));
  Label3 = label(this, "Label3", QStringLiteral("mV"), scale_(27), false, kGreen);
  Label3->move(scale_(QPoint(216, 80)));

  Button1 = makeCloseButton();

  Timer2 = new QTimer(this);
  Timer2->setObjectName(QStringLiteral("Timer2"));
  setStartTimer(Timer2);

  for (int k = 1; k < kLogicInputCount; ++k) setTabOrder(el[k - 1], el[k]);
  setTabOrder(el[kLogicInputCount - 1], Button1);

  FormCreate();
}

void TForm3::placeSecondLine() {
  int x = scale_(120);
  for (QLabel* l : {Label1, numero, Label2}) {
    l->adjustSize();
    l->move(x, scale_(48));
    x += l->width();
  }
}

void TForm3::RunSimulation() {
  num->setText(toQString(AnalogSimulation::kNotDriven));
  const int page = simulatedPage();
  const RunStart start = simulation_.start(imageOf(page));
  numero->setText(QString::number(page - kLogicPageCount));
  placeSecondLine();
  for (int k = 0; k < kLogicInputCount; ++k) setSignalTip({el[k]}, names_, k);
  setSignalTip({Label5, Label1, numero, Label2, num, Label3}, names_, outputSignal(page));
  QCoreApplication::processEvents();  // once, before the start; the passes wait for events
  for (QCheckBox* box : el) {
    box->setChecked(false);
    box->setEnabled(false);
  }
  for (int k = 0; k < kLogicInputCount; ++k)
    if (start.logicEnabled[k]) el[k]->setEnabled(true);
  StopRequested = false;
  runPasses([this] { num->setText(toQString(simulation_.pass(currentInputs()))); });
}

bool TForm3::EvaluateCondition(unsigned char code) const {
  return AnalogSimulation::evaluateCondition(code, currentInputs());
}

InputState TForm3::currentInputs() const {
  InputState inputs;
  for (int k = 0; k < kLogicInputCount; ++k) inputs.logic[k] = el[k]->isChecked();
  return inputs;
}

}  // namespace velkor
