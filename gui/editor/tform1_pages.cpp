// Building the eleven pages, and showing the document on them.
#include <QCheckBox>
#include <algorithm>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QTabBar>
#include <QTabWidget>

#include "gui/editor/tform1.h"

namespace velkor {
namespace {

// Geometry of the pages, in pixels within a page at the designed font;
// scale_ turns them into this desktop's.
constexpr int kSlotWidth = 106;
constexpr int kLinkWidth = 38;
constexpr int kRowHeight = 26;
constexpr int kFieldHeight = 22;
constexpr int kRightColumn = 186;

const QColor kThresholdInUse(255, 255, 0);

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
void titleBar(int page, QWidget* parent, const FormScale& scale) {
  auto* title = label(q(pageTitle(page)), parent, scale(QRect(8, 6, 363, 32)));
  title->setObjectName(QStringLiteral("titre%1").arg(page));
  title->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  title->setAlignment(Qt::AlignCenter);
  QFont font = scale.pointFont(title->font(), 13);
  font.setBold(true);
  title->setFont(font);
}

}  // namespace

void TForm1::buildPages() {
  pagecontrol1 = new QTabWidget(this);
  pagecontrol1->setObjectName("pagecontrol1");
  // Eleven tabs share the window's 387 pixels.
  pagecontrol1->tabBar()->setStyleSheet(QStringLiteral("QTabBar::tab { padding: %1px %2px; min-width: %3px; }")
                                  .arg(scale_(3))
                                  .arg(scale_(4))
                                  .arg(scale_(24)));
  pagecontrol1->setUsesScrollButtons(false);
  for (int p = 1; p <= kPageCount; ++p) {
    PageWidgets& w = pages_[static_cast<std::size_t>(p - 1)];
    w.page = new QWidget;
    w.page->setObjectName(QStringLiteral("page%1").arg(p));
    pagecontrol1->addTab(w.page, q(pageCaption(p)));
  }
  // The window shows SL1 first: the other pages, a hundred editable combo
  // boxes and more, are built once it is up (first activation) or when one
  // is asked for, whichever comes first, so that it comes up sooner.
  buildPage(1);
  connect(pagecontrol1, &QTabWidget::currentChanged, this, &TForm1::pagecontrol1Change);
}

void TForm1::buildPage(int page) {
  PageWidgets& w = pages_[static_cast<std::size_t>(page - 1)];
  if (w.built) return;
  w.built = true;
  if (isLogicPage(page)) buildLogicPage(page, w);
  else buildAnalogPage(page, w);
  // Widgets added to a page already on screen are shown by hand.
  if (w.page->isVisible())
    for (QWidget* child : w.page->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) child->show();
  showPage(page);
}

void TForm1::buildAllPages() {
  for (int p = 1; p <= kPageCount; ++p) buildPage(p);
}

// Slots with their link buttons, `leftRows` of them in the left column and
// the rest in the right one, in tab order slot, link, slot, link...
void TForm1::buildChain(int page, PageWidgets& w, QWidget* parent, int leftRows, int top) {
  for (int m = 1; m <= slotCount(page); ++m) {
    const bool left = m <= leftRows;
    const int x = left ? 10 : kRightColumn;
    const int y = top + ((left ? m : m - leftRows) - 1) * kRowHeight;
    const QRect slotRect = scale_(QRect(x, y, kSlotWidth, kFieldHeight));
    const QRect linkRect = scale_(QRect(x + kSlotWidth + 4, y, kLinkWidth, kFieldHeight));

    auto* slot = new QComboBox(parent);
    slot->setObjectName(q(fieldName(FieldId::slot(page, m))));
    slot->setEditable(true);
    slot->lineEdit()->setReadOnly(true);  // a slot changes only by picking from its list
    slot->setInsertPolicy(QComboBox::NoInsert);
    slot->setGeometry(slotRect);
    slot->installEventFilter(this);
    connect(slot, &QComboBox::activated, this, &TForm1::choix01_01Select);
    w.slotBoxes.push_back(slot);

    if (m > linkCount(page)) continue;
    auto* link = new QPushButton(QStringLiteral("-"), parent);
    link->setObjectName(q(fieldName(FieldId::link(page, m))));
    link->setGeometry(linkRect);
    link->setToolTip(kLinkTip);
    connect(link, &QPushButton::clicked, this, &TForm1::ou01_01Click);
    w.linkButtons.push_back(link);
  }
}

QLineEdit* TForm1::makeNumberField(FieldId id, QWidget* parent, QRect geometry) {
  auto* field = new QLineEdit(parent);
  field->setObjectName(q(fieldName(id)));
  field->setMaxLength(static_cast<int>(numberLimits(id.family).maxLength));
  // Pasted text that is not digits is refused as a whole.
  field->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), field));
  field->setGeometry(scale_(geometry));
  field->setAcceptDrops(false);  // a file dropped here opens, as anywhere on the window
  field->installEventFilter(this);
  connect(field, &QLineEdit::textEdited, this, &TForm1::numberEdited);
  return field;
}

void TForm1::buildLogicPage(int page, PageWidgets& w) {
  titleBar(page, w.page, scale_);
  QGroupBox* conditions = group(QStringLiteral(" Conditions "), w.page, scale_(QRect(8, 44, 363, 196)));
  buildChain(page, w, conditions, 6, 22);
  buildSimulateButton(page, w, conditions, 22 + 5 * kRowHeight + 6);

  QGroupBox* thresholds = group(QStringLiteral(" Seuils analogiques "), w.page, scale_(QRect(8, 244, 363, 66)));
  for (int k = 1; k <= kAnalogInputCount; ++k) {
    const int x = 10 + (k - 1) * 88;
    // The column heading goes between the group's heading and the fields,
    // however tall the style makes the group's heading.
    const QRect heading = scale_(QRect(x + 26, 16, 40, 17));
    const int top = std::max(heading.top(), thresholds->contentsRect().top());
    label(QStringLiteral("EA%1").arg(k), thresholds,
          QRect(heading.left(), top, heading.width(), heading.bottom() - top + 1));
    auto* comparator = new QPushButton(QStringLiteral(">"), thresholds);
    comparator->setObjectName(q(fieldName(FieldId::comparator(page, k))));
    comparator->setGeometry(scale_(QRect(x, 34, 24, kFieldHeight)));
    comparator->setToolTip(kComparatorTip);
    connect(comparator, &QPushButton::clicked, this, &TForm1::supinf01_01Click);
    w.comparators[static_cast<std::size_t>(k - 1)] = comparator;
    w.thresholds[static_cast<std::size_t>(k - 1)] =
        makeNumberField(FieldId::threshold(page, k), thresholds, QRect(x + 26, 34, 52, kFieldHeight));
  }

  buildPauseGroup(page, w, 314);
}

void TForm1::buildAnalogPage(int page, PageWidgets& w) {
  titleBar(page, w.page, scale_);
  label(QStringLiteral("Tension de sortie :"), w.page, scale_(QRect(16, 50, 120, 20)));
  w.voltage = makeNumberField(FieldId::voltage(page), w.page, QRect(140, 48, 56, kFieldHeight));
  label(QStringLiteral("mV"), w.page, scale_(QRect(202, 50, 30, 20)));

  QGroupBox* conditions = group(QStringLiteral(" Conditions "), w.page, scale_(QRect(8, 78, 363, 170)));
  buildChain(page, w, conditions, 4, 22);
  buildSimulateButton(page, w, conditions, 22 + 3 * kRowHeight + 4);
  w.hold = new QCheckBox(QStringLiteral("Maintien de la tension à la première condition vraie"), conditions);
  w.hold->setObjectName(q(fieldName(FieldId::hold(page))));
  w.hold->setGeometry(scale_(QRect(10, 22 + 4 * kRowHeight + 14, 340, 20)));
  w.hold->setToolTip(kHoldTip);
  connect(w.hold, &QCheckBox::clicked, this, &TForm1::zero1Click);

  buildPauseGroup(page, w, 254);
}

// "Simuler" under the right column; logic and analog pages open their own window.
void TForm1::buildSimulateButton(int page, PageWidgets& w, QWidget* conditions, int top) {
  w.simulate = new QPushButton(QStringLiteral("Simuler"), conditions);
  w.simulate->setObjectName(q(fieldName(FieldId::simulate(page))));
  w.simulate->setGeometry(scale_(QRect(kRightColumn, top, kSlotWidth + 4 + kLinkWidth, 26)));
  connect(w.simulate, &QPushButton::clicked, this, isLogicPage(page) ? &TForm1::simu1Click : &TForm1::simu8Click);
}

void TForm1::buildPauseGroup(int page, PageWidgets& w, int top) {
  QGroupBox* pause = group(QStringLiteral(" Pause "), w.page, scale_(QRect(8, top, 180, 52)));
  w.pause = makeNumberField(FieldId::pause(page), pause, QRect(10, 20, 64, kFieldHeight));
  w.pause->setToolTip(kPauseTip);
  label(QStringLiteral("mS"), pause, scale_(QRect(80, 22, 30, 18)));
}

QWidget* TForm1::fieldWidget(FieldId id) {
  if (!isValidField(id)) return nullptr;
  buildPage(id.page);
  const PageWidgets& w = pages_[static_cast<std::size_t>(id.page - 1)];
  const auto at = static_cast<std::size_t>(id.position - 1);
  switch (id.family) {
    case FieldFamily::Slot: return w.slotBoxes[at];
    case FieldFamily::Link: return w.linkButtons[at];
    case FieldFamily::Comparator: return w.comparators[at];
    case FieldFamily::Threshold: return w.thresholds[at];
    case FieldFamily::Pause: return w.pause;
    case FieldFamily::Voltage: return w.voltage;
    case FieldFamily::Hold: return w.hold;
    case FieldFamily::Simulate: return w.simulate;
  }
  return nullptr;
}

QWidget* TForm1::firstField(int page) {
  buildPage(page);
  const PageWidgets& w = pages_[static_cast<std::size_t>(page - 1)];
  return w.voltage ? static_cast<QWidget*>(w.voltage) : w.slotBoxes.front();
}

void TForm1::showPage(int page) {
  PageWidgets& w = pages_[static_cast<std::size_t>(page - 1)];
  if (!w.built) return;  // it will show the document as it then stands
  const OutputPage& pg = program_.document.page(page);
  auto setText = [](QLineEdit* field, const std::string& text) {
    if (field->text() != q(text)) field->setText(q(text));
  };
  for (int m = 1; m <= slotCount(page); ++m) {
    QComboBox* combo = w.slotBoxes[static_cast<std::size_t>(m - 1)];
    const ConditionSlot& slot = pg.slot(m);
    const QSignalBlocker block(combo);
    QStringList items;
    for (const std::string& c : slot.choices) items << q(c);
    QStringList shown;
    for (int i = 0; i < combo->count(); ++i) shown << combo->itemText(i);
    if (shown != items) {
      combo->clear();
      combo->addItems(items);
    }
    const int index = combo->findText(q(slot.text));
    combo->setCurrentIndex(slot.text.empty() ? -1 : index);
    combo->setEditText(q(slot.text));
    combo->setEnabled(slot.enabled);
  }
  for (int m = 1; m <= linkCount(page); ++m) {
    QPushButton* link = w.linkButtons[static_cast<std::size_t>(m - 1)];
    link->setText(q(pg.link(m).caption));
    link->setEnabled(pg.link(m).enabled);
  }
  if (isLogicPage(page)) {
    for (int k = 1; k <= kAnalogInputCount; ++k) {
      const Threshold& t = pg.threshold(k);
      QPushButton* comparator = w.comparators[static_cast<std::size_t>(k - 1)];
      QLineEdit* value = w.thresholds[static_cast<std::size_t>(k - 1)];
      comparator->setText(q(t.comparator));
      comparator->setEnabled(t.enabled);
      setText(value, t.value);
      value->setEnabled(t.enabled);
      QPalette palette = value->palette();
      palette.setColor(QPalette::Base, t.highlighted() ? kThresholdInUse : this->palette().color(QPalette::Base));
      value->setPalette(palette);
    }
  } else {
    setText(w.voltage, pg.voltage);
    const QSignalBlocker block(w.hold);
    w.hold->setChecked(pg.hold);
  }
  setText(w.pause, pg.pause);
}

void TForm1::showAllPages() {
  for (int p = 1; p <= kPageCount; ++p) showPage(p);
}

}  // namespace velkor
