#include "gui/paint/sheet_painter.h"

#include <QBuffer>
#include <QFont>
#include <QFontMetricsF>
#include <QPageLayout>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>
#include <QTextLayout>
#include <functional>
#include <vector>

#include "gui/paint/chart_painter.h"

namespace velkor {
namespace {

// Everything is laid out in points (1/72 inch), fonts sized in points too.
constexpr double kFooter = 24;  // room kept at each page's foot
constexpr double kIdColumn = 42;
constexpr double kNameColumn = 160;
const QColor kGrey(96, 96, 96);
const QColor kNavy(0, 0, 128);

QString q(const std::string& text) { return QString::fromUtf8(text.data(), qsizetype(text.size())); }

QFont font(int points, bool bold = false, bool italic = false) {
  QFont f(QStringLiteral("DejaVu Sans"));
  f.setStyleHint(QFont::SansSerif);
  f.setPixelSize(points);  // the painter's unit is the point
  f.setBold(bold);
  f.setItalic(italic);
  f.setHintingPreference(QFont::PreferNoHinting);
  // Spacing, even this slight, turns ligatures off: "fi" stays two letters
  // that a PDF reader finds and copies as such.
  f.setLetterSpacing(QFont::AbsoluteSpacing, 0.05);
  return f;
}

// Text broken into lines once, where it is measured. The print preview lays
// the pages out again on the screen, whose small hinted type comes out up to
// a tenth wider: drawn line by line, the text keeps the lines and the height
// it was given (a wrap on drawing would add a line over what follows), and
// lines are broken a tenth short of the room so that they still fit there.
struct Wrapped {
  QStringList lines;
  double lineHeight = 0;
  double ascent = 0;

  Wrapped(const QString& text, const QFont& f, double width)
      : lineHeight(QFontMetricsF(f).lineSpacing()), ascent(QFontMetricsF(f).ascent()) {
    if (text.isEmpty()) return;
    for (const QString& paragraph : text.split(QLatin1Char('\n'))) {
      QTextLayout layout(paragraph, f);
      layout.beginLayout();
      for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(width * 0.9);
        lines << paragraph.mid(line.textStart(), line.textLength());
      }
      layout.endLayout();
    }
  }
  double height() const { return lineHeight * double(lines.size()); }
  void draw(QPainter& p, double left, double top) const {
    for (qsizetype i = 0; i < lines.size(); ++i)
      p.drawText(QPointF(left, top + lineHeight * double(i) + ascent), lines[i]);
  }
};

// A piece of the sheet that stays on one page.
struct Block {
  double height;
  std::function<void(QPainter&, double top)> paint;
  bool keepWithNext = false;  // a heading goes with what it heads
};

class Layout {
 public:
  explicit Layout(double width) : width_(width) {}

  double width() const { return width_; }
  std::vector<Block>& blocks() { return blocks_; }

  void text(const QString& text, const QFont& f, QColor color, double before, bool keepWithNext = false) {
    if (text.isEmpty()) return;
    const Wrapped lines(text, f, width_);
    blocks_.push_back({before + lines.height(),
                       [=](QPainter& p, double top) {
                         p.setFont(f);
                         p.setPen(color);
                         lines.draw(p, 0, top + before);
                       },
                       keepWithNext});
  }

 private:
  double width_;
  std::vector<Block> blocks_;
};

void addSignalTable(Layout& layout, const ProgramSheet& sheet) {
  const QFont cell = font(9), head = font(9, true), idFont = font(9, true);
  const double commentLeft = kIdColumn + kNameColumn, commentWidth = layout.width() - commentLeft;
  for (const SheetGroup& group : sheet.groups) {
    const Wrapped title(q(group.title), head, layout.width() - 6);
    const double band = title.height() + 4;
    layout.blocks().push_back({band + 4,
                               [=, w = layout.width()](QPainter& p, double top) {
                                 p.fillRect(QRectF(0, top + 4, w, band), QColor(232, 232, 232));
                                 p.setFont(head);
                                 p.setPen(Qt::black);
                                 title.draw(p, 3, top + 6);
                               },
                               true});
    for (const SheetSignal& s : group.rows) {
      const Wrapped id(q(s.id), idFont, kIdColumn), name(q(s.name), cell, kNameColumn - 6),
          comment(q(s.comment), cell, commentWidth);
      const double height = std::max({id.height(), name.height(), comment.height()}) + 4;
      layout.blocks().push_back({height, [=, w = layout.width()](QPainter& p, double top) {
                                   p.setFont(idFont);
                                   p.setPen(kNavy);
                                   id.draw(p, 3, top + 2);
                                   p.setFont(cell);
                                   p.setPen(Qt::black);
                                   name.draw(p, kIdColumn, top + 2);
                                   p.setPen(kGrey);
                                   comment.draw(p, commentLeft, top + 2);
                                   p.setPen(QPen(QColor(210, 210, 210), 0.5));
                                   p.drawLine(QPointF(0, top + height), QPointF(w, top + height));
                                 }});
    }
  }
}

void addOutput(Layout& layout, const SheetOutput& output) {
  const QFont headingFont = font(11, true), commentFont = font(9, false, true), lineFont = font(10);
  const double w = layout.width();
  const Wrapped heading(q(output.heading), headingFont, w), comment(q(output.comment), commentFont, w),
      line(q(output.line), lineFont, w);
  const double headingHeight = heading.height(), commentHeight = comment.height(), lineHeight = line.height();
  const ChartPicture& diagram = output.diagram;
  const double scale = std::min(1.0, w / std::max(1, diagram.width));
  const double before = 14, gap = 4;
  const double height = before + headingHeight + commentHeight + gap + lineHeight + gap + diagram.height * scale;
  layout.blocks().push_back({height, [=](QPainter& p, double top) {
                               double y = top + before;
                               p.setFont(headingFont);
                               p.setPen(Qt::black);
                               heading.draw(p, 0, y);
                               y += headingHeight;
                               p.setFont(commentFont);
                               p.setPen(kGrey);
                               comment.draw(p, 0, y);
                               y += commentHeight + gap;
                               p.setFont(lineFont);
                               p.setPen(Qt::black);
                               line.draw(p, 0, y);
                               y += lineHeight + gap;
                               p.save();
                               p.translate(0, y);
                               p.scale(scale, scale);
                               p.setFont(font(8));
                               paintChart(p, diagram);
                               p.restore();
                             }});
}

}  // namespace

bool paintSheet(QPagedPaintDevice& device, const ProgramSheet& sheet) {
  QPainter painter(&device);
  if (!painter.isActive()) return false;
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setRenderHint(QPainter::TextAntialiasing);
  const double pointsPerPixel = 72.0 / device.logicalDpiX();
  painter.scale(1 / pointsPerPixel, 1 / pointsPerPixel);
  const QRectF area(QPointF(0, 0), QSizeF(device.width(), device.height()) * pointsPerPixel);

  Layout layout(area.width());
  layout.text(q(sheet.title), font(18, true), Qt::black, 0);
  layout.text(q(sheet.comment), font(10), QColor(64, 64, 64), 6);
  layout.text(q(sheetOrigin(sheet)), font(9), kGrey, 6);
  layout.text(QStringLiteral("Entrées et sorties"), font(13, true), Qt::black, 18, true);
  addSignalTable(layout, sheet);
  layout.text(QStringLiteral("Sorties"), font(13, true), Qt::black, 18, true);
  for (const SheetOutput& output : sheet.outputs) addOutput(layout, output);

  // Pages: a block that does not fit starts the next one, and so does a
  // heading whose next block would not.
  const std::vector<Block>& blocks = layout.blocks();
  const double bottom = area.height() - kFooter;
  std::vector<std::vector<std::pair<std::size_t, double>>> pages(1);
  double y = 0;
  for (std::size_t i = 0; i < blocks.size(); ++i) {
    double needed = blocks[i].height;
    for (std::size_t j = i; blocks[j].keepWithNext && j + 1 < blocks.size(); ++j) needed += blocks[j + 1].height;
    if (y > 0 && y + needed > bottom) {
      pages.emplace_back();
      y = 0;
    }
    pages.back().emplace_back(i, y);
    y += blocks[i].height;
  }

  const QFont footer = font(8);
  for (std::size_t page = 0; page < pages.size(); ++page) {
    if (page > 0) device.newPage();
    for (const auto& [block, top] : pages[page]) blocks[block].paint(painter, top);
    painter.setFont(footer);
    painter.setPen(kGrey);
    const std::string file = sheet.fileName.empty() ? "" : " — " + sheet.fileName;
    const QString foot =
        q(sheet.title + file + " — page " + std::to_string(page + 1) + "/" + std::to_string(pages.size()));
    painter.drawText(QRectF(0, area.height() - 12, area.width(), 12), Qt::AlignRight | Qt::AlignBottom, foot);
  }
  return painter.end();
}

QPageLayout sheetPageLayout() {
  return QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(18, 18, 18, 18),
                     QPageLayout::Millimeter);
}

QByteArray sheetPdf(const ProgramSheet& sheet) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  {
    QPdfWriter pdf(&buffer);
    pdf.setPageLayout(sheetPageLayout());
    pdf.setResolution(300);
    pdf.setTitle(q(sheet.title));
    pdf.setCreator(QStringLiteral("VELKOR"));
    paintSheet(pdf, sheet);
  }
  return bytes;
}

}  // namespace velkor
