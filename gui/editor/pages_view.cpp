#include "gui/editor/pages_view.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>

#include "gui/common/signal_tip.h"

namespace velkor {
namespace {

const QColor kThresholdInUse(255, 255, 0);

QString q(const std::string& s) { return QString::fromStdString(s); }

// What a condition token's input is called, as its tooltip says it; empty
// when the input has neither name nor comment.
QString conditionTip(const ProgramNames& names, const std::string& token) {
  const auto signal = conditionSignal(token);
  return signal ? signalTip(&names, *signal, token) : QString();
}

// The title with the output's name. A name too long for the bar's type is
// shown in smaller type, down to two thirds of it, then cut: the whole of
// it, and the output's comment, are in the tooltip.
void showTitle(QLabel* title, int page, const ProgramNames& names) {
  const QString text = q(namedPageTitle(page, names));
  bool designed = false;
  const double full = title->property("designedPointSize").toDouble(&designed);
  QFont font = title->font();
  if (!designed) title->setProperty("designedPointSize", font.pointSizeF());
  else font.setPointSizeF(full);
  const double smallest = font.pointSizeF() * 2 / 3;
  auto room = [&] { return title->contentsRect().width() - QFontMetrics(font).averageCharWidth(); };
  while (QFontMetrics(font).horizontalAdvance(text) > room() && font.pointSizeF() - 0.5 >= smallest)
    font.setPointSizeF(font.pointSizeF() - 0.5);
  if (title->font() != font) title->setFont(font);
  const QString shown = QFontMetrics(font).elidedText(text, Qt::ElideRight, room());
  if (title->text() != shown) title->setText(shown);
  title->setToolTip(signalTip(&names, outputSignal(page), pageTitle(page)));
}

}  // namespace

PagesView::PagesView(ProgramDocument& document, UserDialogs& dialogs, QObject* fieldEvents, QWidget* parent)
    : document_(document), dialogs_(dialogs), fieldEvents_(fieldEvents) {
  tabs_ = new QTabWidget(parent);
  tabs_->setObjectName("pagecontrol1");
  // Eleven tabs share the window's 387 pixels.
  tabs_->tabBar()->setStyleSheet(QStringLiteral("QTabBar::tab { padding: %1px %2px; min-width: %3px; }")
                                     .arg(scale_(3))
                                     .arg(scale_(4))
                                     .arg(scale_(24)));
  tabs_->setUsesScrollButtons(false);
  for (int p = 1; p <= kPageCount; ++p) {
    PageWidgets& w = pages_[static_cast<std::size_t>(p - 1)];
    w.page = new QWidget;
    w.page->setObjectName(QStringLiteral("page%1").arg(p));
    tabs_->addTab(w.page, q(pageCaption(p)));
  }
  // The window shows SL1 first: the other pages, a hundred editable combo
  // boxes and more, are built once it is up (first activation) or when one
  // is asked for, whichever comes first, so that it comes up sooner.
  build(1);
  connect(tabs_, &QTabWidget::currentChanged, this, &PagesView::pageChanged);
}

FieldId PagesView::fieldOf(const QObject* widget) {
  if (!widget) return {};
  return parseFieldName(widget->objectName().toStdString()).value_or(FieldId{});
}

QWidget* PagesView::fieldWidget(FieldId id) {
  if (!isValidField(id)) return nullptr;
  build(id.page);
  return pages_[static_cast<std::size_t>(id.page - 1)].field(id.family, id.position);
}

QWidget* PagesView::firstField(int page) {
  build(page);
  return pages_[static_cast<std::size_t>(page - 1)].firstField();
}

void PagesView::build(int page) {
  PageWidgets& w = pages_[static_cast<std::size_t>(page - 1)];
  if (w.built) return;
  w.built = true;
  buildPageWidgets(page, w, scale_);
  wire(w);
  // Widgets added to a page already on screen are shown by hand.
  if (w.page->isVisible())
    for (QWidget* child : w.page->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) child->show();
  show(page);
}

void PagesView::buildAll() {
  for (int p = 1; p <= kPageCount; ++p) build(p);
}

void PagesView::wire(const PageWidgets& w) {
  for (QComboBox* slot : w.slotBoxes) {
    slot->installEventFilter(fieldEvents_);
    connect(slot, &QComboBox::activated, this, [this, slot](int index) {
      if (index >= 0) Q_EMIT slotPicked(fieldOf(slot), slot->itemText(index));
    });
  }
  for (QPushButton* link : w.linkButtons)
    connect(link, &QPushButton::clicked, this, [this, link] { Q_EMIT linkClicked(fieldOf(link)); });
  for (QPushButton* comparator : w.comparators) {
    if (!comparator) continue;
    connect(comparator, &QPushButton::clicked, this, [this, comparator] {
      Q_EMIT comparatorClicked(fieldOf(comparator));
    });
  }
  if (w.hold)
    connect(w.hold, &QCheckBox::clicked, this, [this, hold = w.hold] { Q_EMIT holdClicked(fieldOf(hold)); });
  connect(w.simulate, &QPushButton::clicked, this, [this, simulate = w.simulate] {
    Q_EMIT simulateClicked(fieldOf(simulate).page);
  });
  for (QLineEdit* number : {w.thresholds[0], w.thresholds[1], w.thresholds[2], w.thresholds[3], w.voltage, w.pause}) {
    if (!number) continue;
    number->installEventFilter(fieldEvents_);
    connect(number, &QLineEdit::textEdited, this,
            [this, number](const QString& text) { Q_EMIT numberTyped(number, text); });
  }
}

void PagesView::show(int page) {
  PageWidgets& w = pages_[static_cast<std::size_t>(page - 1)];
  if (!w.built) return;  // it will show the document as it then stands
  const OutputPage& pg = document_.page(page);
  const ProgramNames& names = document_.names;
  showTitle(w.title, page, names);
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
    for (int i = 0; i < combo->count(); ++i) {
      const QString tip = conditionTip(names, slot.choices[std::size_t(i)]);
      if (combo->itemData(i, Qt::ToolTipRole).toString() != tip) combo->setItemData(i, tip, Qt::ToolTipRole);
    }
    combo->setToolTip(conditionTip(names, slot.text));
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
    const QColor normal = tabs_->window()->palette().color(QPalette::Base);
    for (int k = 1; k <= kAnalogInputCount; ++k) {
      const Threshold& t = pg.threshold(k);
      QPushButton* comparator = w.comparators[static_cast<std::size_t>(k - 1)];
      QLineEdit* value = w.thresholds[static_cast<std::size_t>(k - 1)];
      comparator->setText(q(t.comparator));
      comparator->setEnabled(t.enabled);
      setText(value, t.value);
      value->setEnabled(t.enabled);
      QPalette palette = value->palette();
      palette.setColor(QPalette::Base, t.highlighted() ? kThresholdInUse : normal);
      value->setPalette(palette);
    }
  } else {
    setText(w.voltage, pg.voltage);
    const QSignalBlocker block(w.hold);
    w.hold->setChecked(pg.hold);
  }
  setText(w.pause, pg.pause);
}

void PagesView::showAll() {
  for (int p = 1; p <= kPageCount; ++p) show(p);
}

void PagesView::apply(const Reaction& reaction) {
  if (reaction.beep) dialogs_.beep();
  if (!reaction.focus) return;
  QWidget* target = fieldWidget(*reaction.focus);
  if (!target) return;
  target->setFocus(Qt::OtherFocusReason);
  if (reaction.selectAll) {
    if (auto* combo = qobject_cast<QComboBox*>(target)) combo->lineEdit()->selectAll();
    else if (auto* edit = qobject_cast<QLineEdit*>(target)) edit->selectAll();
  }
}

void PagesView::releaseFocus() {
  const int i = tabs_->currentIndex();
  tabs_->setCurrentIndex(i >= 10 ? i - 1 : i + 1);
  tabs_->setCurrentIndex(i);
}

void PagesView::pageChanged(int index) {
  build(index + 1);
  document_.activePage = index + 1;
  // When the focus was in a field of the old page (the stacked pages have
  // already moved it into the new one), it goes to the new page's first field.
  QWidget* fw = tabs_->window()->focusWidget();
  if (fw && fw != tabs_->tabBar() && tabs_->isAncestorOf(fw)) firstField(index + 1)->setFocus(Qt::OtherFocusReason);
}

}  // namespace velkor
