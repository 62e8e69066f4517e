// Logic output simulation: the program image of one logic output (SL1-SL7)
// evaluated against inputs set by hand, shown as "active" or "inactive".
#pragma once

#include <QCheckBox>
#include <QLabel>
#include <QTimer>
#include <array>
#include <functional>

#include "gui/simulation/input_spin_box.h"
#include "gui/simulation/rectangle_shape.h"
#include "gui/simulation/simulation_dialog.h"
#include "simulation/runs.h"

namespace velkor {

class TForm2 : public SimulationDialog {
  Q_OBJECT

 public:
  // `activePageIndex` gives the editor's active page, 0-based; both it and
  // `images` are read at the start of each run.
  TForm2(const ProgramImages& images, std::function<int()> activePageIndex, QWidget* parent = nullptr);

  std::array<QCheckBox*, kLogicInputCount> el{};
  std::array<InputSpinBox*, kAnalogInputCount> ea{};
  std::array<QLabel*, kAnalogInputCount> eaLabel{};  // Label1-Label4
  RectangleShape* Shape1 = nullptr;
  QLabel* Label5 = nullptr;
  QLabel* Label6 = nullptr;
  QLabel* numero = nullptr;
  QLabel* Label8 = nullptr;
  QLabel* Label9 = nullptr;
  QPushButton* Button1 = nullptr;
  // Runs 10 ms after each opening; the editor may stop it.
  QTimer* Timer1 = nullptr;

  void Timer1Timer() { startTimerFired(); }
  void Button1Click() { closeRun(); }
  void ea1Change(InputSpinBox* field);

  void RunSimulation() override;
  bool EvaluateCondition(unsigned char code) const;
  void ShowOutputState(bool active);

  const LogicSimulation& simulation() const { return simulation_; }

 private:
  InputState currentInputs() const;
  // The second line of the panel follows the width of its words.
  void placeSecondLine();
  // The inputs' and the output's names, as tooltips.
  void showNames(int page);

  LogicSimulation simulation_;
};

}  // namespace velkor
