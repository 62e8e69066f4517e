#include "gui/editor/page_widgets.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <algorithm>

#include "document/program_document.h"

namespace velkor {
namespace {

// Geometry of the pages, in pixels within a page at the designed font;
// the scale turns them into this desktop's.
constexpr int kSlotWidth = 106;
constexpr int kLinkWidth = 38;
constexpr int kRowHeight = 26;
constexpr int kFieldHeight = 22;
constexpr int kRightColumn = 186;

QString q(const std::string& s) { return QString::fromStdString(s); }

// The rules that cannot be seen on the controls themselves.
const QString kLinkTip = QStringLiteral(
    "« - », « OU », « ET », puis de nouveau « - ». « OU » et « ET » ouvrent la case suivante, « - » termine "
    "la chaîne. La chaîne se lit de gauche à droite, sans priorité : A OU B ET C = (A OU B) ET C.");
const QString kComparatorTip = QStringLiteral(
    "« > » : vraie quand l'entrée est au-dessus du seuil ; « < » : au-dessous. « < » est refusé à côté d'un "
    "seuil de 0 : aucune tension n'est au-dessous de 0 mV.");
const QString kHoldTip =
    QStringLiteral("Cochée : la sortie garde sa tension dès que ses conditions ont été vraies une fois.");
const QString kPauseTip = QStringLiteral(
    "Pause de 0 à 65000 millisecondes, envoyée à la carte avec la sortie ; la simulation n'en tient pas compte.");

QLabel* label(const QString& text, QWidget* parent, QRect geometry) {
  auto* l = new QLabel(text, parent);
  l->setGeometry(geometry);
  return l;
}

QGroupBox* group(const QString& title, QWidget* parent, QRect geometry) {
  auto* g = new QGroupBox(title, parent);
  g->setGeometry(geometry);
  return g;
}

// The sunken title bar of a page, large bold type, centred.
QLabel* titleBar(int page, QWidget* parent, const FormScale& scale) {
  auto* title = label(q(pageTitle(page)), parent, scale(QRect(8, 6, 363, 32)));
  title->setObjectName(QStringLiteral("titre%1").arg(page));
  title->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  title->setAlignment(Qt::AlignCenter);
  QFont font = scale.pointFont(title->font(), 13);
  font.setBold(true);
  title->setFont(font);
  return title;
}

// Slots with their link buttons, `leftRows` of them in the left column and
// the rest in the right one, in tab order slot, link, slot, link...
void buildChain(int page, PageWidgets& w, QWidget* parent, int leftRows, int top, const FormScale& scale) {
  for (int m = 1; m <= slotCount(page); ++m) {
    const bool left = m <= leftRows;
    const int x = left ? 10 : kRightColumn;
    const int y = top + ((left ? m : m - leftRows) - 1) * kRowHeight;
    const QRect slotRect = scale(QRect(x, y, kSlotWidth, kFieldHeight));
    const QRect linkRect = scale(QRect(x + kSlotWidth + 4, y, kLinkWidth, kFieldHeight));

    auto* slot = new QComboBox(parent);
    slot->setObjectName(q(fieldName(FieldId::slot(page, m))));
    slot->setEditable(true);
    slot->lineEdit()->setReadOnly(true);  // a slot changes only by picking from its list
    slot->setInsertPolicy(QComboBox::NoInsert);
    slot->setGeometry(slotRect);
    w.slotBoxes.push_back(slot);

    if (m > linkCount(page)) continue;
    auto* link = new QPushButton(QStringLiteral("-"), parent);
    link->setObjectName(q(fieldName(FieldId::link(page, m))));
    link->setGeometry(linkRect);
    link->setToolTip(kLinkTip);
    w.linkButtons.push_back(link);
  }
}

QLineEdit* makeNumberField(FieldId id, QWidget* parent, QRect geometry, const FormScale& scale) {
  auto* field = new QLineEdit(parent);
  field->setObjectName(q(fieldName(id)));
  field->setMaxLength(static_cast<int>(numberLimits(id.family).maxLength));
  // Pasted text that is not digits is refused as a whole.
  field->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), field));
  field->setGeometry(scale(geometry));
  field->setAcceptDrops(false);  // a file dropped here opens, as anywhere on the window
  return field;
}

// "Simuler" under the right column; logic and analog pages open their own window.
void buildSimulateButton(int page, PageWidgets& w, QWidget* conditions, int top, const FormScale& scale) {
  w.simulate = new QPushButton(QStringLiteral("Simuler"), conditions);
  w.simulate->setObjectName(q(fieldName(FieldId::simulate(page))));
  w.simulate->setGeometry(scale(QRect(kRightColumn, top, kSlotWidth + 4 + kLinkWidth, 26)));
}

void buildPauseGroup(int page, PageWidgets& w, int top, const FormScale& scale) {
  QGroupBox* pause = group(QStringLiteral(" Pause "), w.page, scale(QRect(8, top, 180, 52)));
  w.pause = makeNumberField(FieldId::pause(page), pause, QRect(10, 20, 64, kFieldHeight), scale);
  w.pause->setToolTip(kPauseTip);
  label(QStringLiteral("mS"), pause, scale(QRect(80, 22, 30, 18)));
}

void buildLogicPage(int page, PageWidgets& w, const FormScale& scale) {
  w.title = titleBar(page, w.page, scale);
  QGroupBox* conditions = group(QStringLiteral(" Conditions "), w.page, scale(QRect(8, 44, 363, 196)));
  buildChain(page, w, conditions, 6, 22, scale);
  buildSimulateButton(page, w, conditions, 22 + 5 * kRowHeight + 6, scale);

  QGroupBox* thresholds = group(QStringLiteral(" Seuils analogiques "), w.page, scale(QRect(8, 244, 363, 66)));
  for (int k = 1; k <= kAnalogInputCount; ++k) {
    const int x = 10 + (k - 1) * 88;
    // The column heading goes between the group's heading and the fields,
    // however tall the style makes the group's heading.
    const QRect heading = scale(QRect(x + 26, 16, 40, 17));
    const int top = std::max(heading.top(), thresholds->contentsRect().top());
    label(QStringLiteral("EA%1").arg(k), thresholds,
          QRect(heading.left(), top, heading.width(), heading.bottom() - top + 1));
    auto* comparator = new QPushButton(QStringLiteral(">"), thresholds);
    comparator->setObjectName(q(fieldName(FieldId::comparator(page, k))));
    comparator->setGeometry(scale(QRect(x, 34, 24, kFieldHeight)));
    comparator->setToolTip(kComparatorTip);
    w.comparators[static_cast<std::size_t>(k - 1)] = comparator;
    w.thresholds[static_cast<std::size_t>(k - 1)] =
        makeNumberField(FieldId::threshold(page, k), thresholds, QRect(x + 26, 34, 52, kFieldHeight), scale);
  }

  buildPauseGroup(page, w, 314, scale);
}

void buildAnalogPage(int page, PageWidgets& w, const FormScale& scale) {
  w.title = titleBar(page, w.page, scale);
  label(QStringLiteral("Tension de sortie :"), w.page, scale(QRect(16, 50, 120, 20)));
  w.voltage = makeNumberField(FieldId::voltage(page), w.page, QRect(140, 48, 56, kFieldHeight), scale);
  label(QStringLiteral("mV"), w.page, scale(QRect(202, 50, 30, 20)));

  QGroupBox* conditions = group(QStringLiteral(" Conditions "), w.page, scale(QRect(8, 78, 363, 170)));
  buildChain(page, w, conditions, 4, 22, scale);
  buildSimulateButton(page, w, conditions, 22 + 3 * kRowHeight + 4, scale);
  w.hold = new QCheckBox(QStringLiteral("Maintien de la tension à la première condition vraie"), conditions);
  w.hold->setObjectName(q(fieldName(FieldId::hold(page))));
  w.hold->setGeometry(scale(QRect(10, 22 + 4 * kRowHeight + 14, 340, 20)));
  w.hold->setToolTip(kHoldTip);

  buildPauseGroup(page, w, 254, scale);
}

}  // namespace

void buildPageWidgets(int page, PageWidgets& w, const FormScale& scale) {
  if (isLogicPage(page)) buildLogicPage(page, w, scale);
  else buildAnalogPage(page, w, scale);
}

QWidget* PageWidgets::field(FieldFamily family, int position) const {
  const auto at = static_cast<std::size_t>(position - 1);
  switch (family) {
    case FieldFamily::Slot: return slotBoxes[at];
    case FieldFamily::Link: return linkButtons[at];
    case FieldFamily::Comparator: return comparators[at];
    case FieldFamily::Threshold: return thresholds[at];
    case FieldFamily::Pause: return pause;
    case FieldFamily::Voltage: return voltage;
    case FieldFamily::Hold: return hold;
    case FieldFamily::Simulate: return simulate;
  }
  return nullptr;
}

QWidget* PageWidgets::firstField() const {
  return voltage ? static_cast<QWidget*>(voltage) : slotBoxes.front();
}

}  // namespace velkor
