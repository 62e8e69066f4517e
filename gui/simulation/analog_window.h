// Analog output simulation: the program image of one analog output
// (SA1-SA4) evaluated against logic inputs set by hand, showing the voltage
// the output takes with the page's hold setting.
#pragma once

#include <QCheckBox>
#include <QLabel>
#include <QTimer>
#include <array>
#include <functional>

#include "gui/simulation/simulation_dialog.h"
#include "simulation/runs.h"

namespace velkor {

class TForm3 : public SimulationDialog {
  Q_OBJECT

 public:
  // `activePageIndex` gives the editor's active page, 0-based; both it and
  // `images` are read at the start of each run.
  TForm3(const ProgramImages& images, std::function<int()> activePageIndex, QWidget* parent = nullptr);

  std::array<QCheckBox*, kLogicInputCount> el{};
  QLabel* Label5 = nullptr;
  QLabel* Label1 = nullptr;
  QLabel* numero = nullptr;
  QLabel* Label2 = nullptr;
  QLabel* num = nullptr;
  QLabel* Label3 = nullptr;
  QPushButton* Button1 = nullptr;
  // Runs 10 ms after each opening; the editor may stop it.
  QTimer* Timer2 = nullptr;

  void Timer2Timer() { startTimerFired(); }
  void Button1Click() { closeRun(); }

  void RunSimulation() override;
  bool EvaluateCondition(unsigned char code) const;

  const AnalogSimulation& simulation() const { return simulation_; }

 private:
  InputState currentInputs() const;
  void placeSecondLine();

  AnalogSimulation simulation_;
};

}  // namespace velkor
