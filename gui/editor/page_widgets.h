// The widgets of one output page: the title bar, the chain of conditions,
// the thresholds (logic pages) or the voltage and hold box (analog pages),
// the pause and "Simuler". Each field widget bears its field's name as
// objectName.
#pragma once

#include <QRect>
#include <array>
#include <vector>

#include "document/field_names.h"
#include "gui/common/form_scale.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QWidget;

namespace velkor {

struct PageWidgets {
  QWidget* page = nullptr;  // the tab's page, there from the start
  bool built = false;       // what it holds is built when first needed
  QLabel* title = nullptr;  // the page's title, with the output's name
  std::vector<QComboBox*> slotBoxes;          // choixNN_MM at MM-1
  std::vector<QPushButton*> linkButtons;      // ouNN_MM at MM-1
  std::array<QPushButton*, 4> comparators{};  // logic pages
  std::array<QLineEdit*, 4> thresholds{};     // logic pages
  QLineEdit* pause = nullptr;
  QLineEdit* voltage = nullptr;  // analog pages
  QCheckBox* hold = nullptr;     // analog pages
  QPushButton* simulate = nullptr;

  // The widget of a field of this page.
  QWidget* field(FieldFamily family, int position) const;
  // The first field in tab order: slot 01, or the voltage on an analog page.
  QWidget* firstField() const;
};

// Lays out the widgets of output page `page` on `w.page`, at `scale`.
void buildPageWidgets(int page, PageWidgets& w, const FormScale& scale);

}  // namespace velkor
