#include <QAction>
#include <QCheckBox>
#include <QImage>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QTest>
#include <QXmlStreamReader>

#ifndef _WIN32
#include <sys/stat.h>
#endif

#include "document/program_names.h"
#include "gui/common/path_text.h"
#include "gui/common/window_placement.h"
#include "gui/simulation/board_window.h"
#include "gui/simulation/lamp.h"
#include "gui/simulation/timing_chart.h"
#include "image/program_file.h"
#include "simulation/expectations.h"
#include "simulation/images.h"
#include "support/fake_dialogs.h"
#include "support/temp_dir.h"

using namespace velkor;
using simulation_test::analogImage;
using simulation_test::logicImage;

namespace {

void tick(QCheckBox* box) { QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(6, box->height() / 2)); }

void type(QSpinBox* spin, const QString& text) {
  QTest::keyClick(spin, Qt::Key_A, Qt::ControlModifier);
  QTest::keyClicks(spin, text);
  QTest::keyClick(spin, Qt::Key_Return);
}

// "SL: 1 3  SA: 2500 0 0 0", what the outputs show.
QString shown(const BoardWindow& w) {
  QString s = "SL:";
  for (int n = 0; n < 7; ++n)
    if (w.sl[n]->isLit()) s += QString(" %1").arg(n + 1);
  s += " SA:";
  for (QLabel* label : w.sa) s += " " + label->text().chopped(3);
  return s;
}

// Whether two traces hold the same states at the same times, `shift` ms apart.
bool sameTrace(const Trace& a, std::int64_t fromA, const Trace& b, std::int64_t fromB, QString& why) {
  std::vector<std::int64_t> times;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (a.timeAt(i) >= fromA) times.push_back(a.timeAt(i) - fromA);
  for (std::size_t i = 0; i < b.size(); ++i)
    if (b.timeAt(i) >= fromB) times.push_back(b.timeAt(i) - fromB);
  for (std::int64_t t : times)
    if (a.stateAt(a.indexAt(fromA + t)) != b.stateAt(b.indexAt(fromB + t))) {
      why = QString("differ at %1 ms").arg(t);
      return false;
    }
  return !times.empty();
}

// What the chart shows in red: bars and pale bands on lanes (lane, left,
// right), and texts.
constexpr ChartColor kMismatch{200, 0, 0};
constexpr ChartColor kMismatchBand{255, 215, 215};

struct LaneRect {
  int lane;
  double left, right;
};

struct RedMarks {
  std::vector<LaneRect> bars, bands;
  QStringList texts;
};

RedMarks redMarks(const ChartPicture& picture, const ChartMetrics& m) {
  RedMarks marks;
  for (const ChartShape& shape : picture.shapes) {
    if (shape.kind == ChartShape::Kind::Text && shape.color == kMismatch)
      marks.texts << QString::fromStdString(shape.text);
    if (shape.kind != ChartShape::Kind::Rect || !(shape.color == kMismatch || shape.color == kMismatchBand)) continue;
    const double middle = shape.points[0].y + shape.points[1].y / 2;
    int lane = 0;
    while (lane + 1 < kLaneCount && m.laneTop(lane + 1) <= middle) ++lane;
    (shape.color == kMismatch ? marks.bars : marks.bands)
        .push_back({lane, shape.points[0].x, shape.points[0].x + shape.points[1].x});
  }
  return marks;
}

}  // namespace

class BoardWindowTest : public QObject {
  Q_OBJECT

  ProgramImages images;
  std::unique_ptr<BoardWindow> w;
  testing_support::TempDir dir;
  testing_support::FakeDialogs dialogs;
  std::int64_t clockMs = 0;  // the window's clock: moves only when a test moves it

  // The file every dialog gives.
  void choose(const std::filesystem::path& file) { dialogs.openChoice = dialogs.saveChoice = file; }
  // What the window told.
  QStringList messages() const {
    QStringList texts;
    for (const std::string& text : dialogs.shown) texts << QString::fromStdString(text);
    return texts;
  }

 private slots:
  void init() {
    // SL1: EL1 OU EA1 above 2000; SA1: EL2, 2500 mV held; SA2: EL2, 1200 mV.
    for (int page = 1; page <= 7; ++page) images[page] = logicImage("?");
    images[1] = logicImage("\x01O\x08", "U2000U0000U0000U0000");
    images[8] = analogImage("\x02", "2500", 'V');
    images[9] = analogImage("\x02", "1200", 'F');
    images[10] = images[11] = analogImage("?", "0000", 'F');
    dialogs = testing_support::FakeDialogs();
    w = std::make_unique<BoardWindow>([this] { return images; }, dialogs);
    clockMs = 5000;
    w->setClock([this] { return clockMs; });
    w->showWindow();
    QVERIFY(QTest::qWaitForWindowExposed(w.get()));
  }

  void cleanup() { w.reset(); }

  void inputsDriveTheOutputsAndReinitialiserReleasesTheHolds() {
    QCOMPARE(shown(*w), QString("SL: SA: 0 0 0 0"));
    tick(w->el[0]);
    QCOMPARE(shown(*w), QString("SL: 1 SA: 0 0 0 0"));
    tick(w->el[0]);
    type(w->ea[0], "2001");
    QCOMPARE(w->eaSlider[0]->value(), 2001);
    QCOMPARE(shown(*w), QString("SL: 1 SA: 0 0 0 0"));
    w->eaSlider[0]->setValue(2000);  // at the threshold: false
    QCOMPARE(w->ea[0]->value(), 2000);
    QCOMPARE(shown(*w), QString("SL: SA: 0 0 0 0"));

    tick(w->el[1]);
    QCOMPARE(shown(*w), QString("SL: SA: 2500 1200 0 0"));
    tick(w->el[1]);
    QCOMPARE(shown(*w), QString("SL: SA: 2500 0 0 0"));
    QTest::mouseClick(w->resetButton, Qt::LeftButton);
    QCOMPARE(shown(*w), QString("SL: SA: 0 0 0 0"));

    // Every change is in the trace, and the chart shows it.
    const long paints = w->chart()->paintCount();
    tick(w->el[0]);
    QCOMPARE(w->trace().stateAt(w->trace().size() - 1).outputs.logic[0], true);
    QTRY_VERIFY(w->chart()->paintCount() > paints);
  }

  void theProgramIsFollowedAndReopeningStartsAgain() {
    tick(w->el[0]);
    tick(w->el[1]);
    tick(w->el[1]);
    QCOMPARE(shown(*w), QString("SL: 1 SA: 2500 0 0 0"));
    images[1] = logicImage("\x03");  // SL1 edited: EL3 alone
    w->followProgram();
    QCOMPARE(shown(*w), QString("SL: SA: 2500 0 0 0"));
    images[8] = analogImage("\x02", "2600", 'V');
    w->followProgram();
    QCOMPARE(shown(*w), QString("SL: SA: 0 0 0 0"));

    w->close();
    images[1] = logicImage("\x01");
    w->showWindow();
    QVERIFY(!w->el[0]->isChecked());
    QCOMPARE(w->trace().size(), std::size_t(1));
    tick(w->el[0]);
    QCOMPARE(shown(*w), QString("SL: 1 SA: 0 0 0 0"));
  }

  void aRecordedScenarioPlaysBackToTheSameTrace() {
    tick(w->el[1]);  // SA1 held before the recording: the recording releases it
    tick(w->el[1]);
    clockMs += 40;
    w->startRecording();
    const std::int64_t start = w->now();
    QCOMPARE(start, 40);
    QCOMPARE(shown(*w), QString("SL: SA: 0 0 0 0"));
    for (QCheckBox* box : {w->el[0], w->el[1], w->el[0], w->el[1], w->el[2]}) {
      clockMs += 25;
      tick(box);
    }
    type(w->ea[0], "3000");
    clockMs += 25;
    const std::vector<ScenarioRow> rows = w->stopRecording();
    QCOMPARE(int(rows.size()), 7);
    QCOMPARE(rows[1].timeMs, 25);
    QCOMPARE(rows[6].timeMs, 125);
    const Trace recorded = w->trace();

    QString why;
    w->play(rows, true);
    QVERIFY(!w->playing());
    QVERIFY2(sameTrace(recorded, start, w->trace(), 0, why), qPrintable(why));
    QCOMPARE(w->now(), 125);  // the run goes on from the last row

    // At its pace: no row before its time, each at its time.
    w->play(rows, false);
    const std::int64_t played = clockMs;
    clockMs = played + 24;
    QTest::qWait(60);
    QVERIFY(!w->el[0]->isChecked());
    for (const ScenarioRow& row : rows) {
      clockMs = played + row.timeMs;
      QTRY_VERIFY(w->trace().lastTime() == row.timeMs);
    }
    QTRY_VERIFY(!w->playing());
    QVERIFY2(sameTrace(recorded, start, w->trace(), 0, why), qPrintable(why));
    QCOMPARE(w->el[2]->isChecked(), true);
    QCOMPARE(w->ea[0]->value(), 3000);
    // Rows that expect nothing: nothing is said about expectations.
    QVERIFY(w->verdict->isHidden() && w->mismatches().empty());
  }

  // Recorded, saved with its outputs, played back: every value holds, as
  // velkor-cli test says too. A hold released by hand while recording is no
  // part of the scenario: the expectations are those of its replay.
  void aRecordingSavedWithItsOutputsPlaysBackAsAPassingTest() {
    QVERIFY(!w->recordWithOutputsAction->isEnabled());
    w->recordAction->trigger();
    QVERIFY(w->recordWithOutputsAction->isEnabled());
    for (QCheckBox* box : {w->el[1], w->el[0], w->el[1]}) {  // SA1 held at 2500 from the first
      clockMs += 30;
      tick(box);
    }
    QTest::mouseClick(w->resetButton, Qt::LeftButton);
    clockMs += 30;
    type(w->ea[0], "2500");
    choose(dir / "bon");
    w->recordWithOutputsAction->trigger();
    QVERIFY(!w->recording() && !w->recordWithOutputsAction->isEnabled());
    QCOMPARE(messages(), QStringList());

    const ParsedScenario saved = readScenarioFile(dir / "bon.csv");
    QCOMPARE(QString::fromStdString(saved.error), QString());
    QCOMPARE(int(saved.rows.size()), 5);
    QCOMPARE(saved.rows.back().expected.value(8), 2500);  // SA1, held on replay
    w->play(saved.rows, true);
    QCOMPARE(int(w->expectationsChecked()), 5 * kPageCount);
    QCOMPARE(int(w->expectationsFailed()), 0);
    QVERIFY(w->mismatches().empty());
    QCOMPARE(w->verdict->text(), QString("55 attentes, 0 échec"));
    QVERIFY(!w->verdict->isHidden());
    QVERIFY(redMarks(w->chart()->picture(), w->chart()->metrics()).bars.empty());

#ifdef VELKOR_CLI
    QVERIFY(writeProgramFile(dir / "bon.prg", images).ok);
    QProcess cli;
    cli.start(VELKOR_CLI, {"test", QString::fromStdString((dir / "bon.prg").string()),
                           QString::fromStdString((dir / "bon.csv").string())});
    QVERIFY(cli.waitForFinished(30000));
    QCOMPARE(cli.readAllStandardOutput(), QByteArray("1 scénario, 55 attentes, 0 échec\n"));
    QCOMPARE(cli.exitCode(), 0);
#endif
  }

  // One expectation wrong among many: its row and lane alone are marked, in
  // the window as in the exports, and the cursor there reads what was
  // expected and what came.
  void aWrongExpectationMarksItsRowAndLaneAlone_data() {
    QTest::addColumn<bool>("atOnce");
    QTest::addColumn<int>("page");
    QTest::addColumn<int>("wrong");  // the value expected instead
    QTest::addColumn<QString>("said");
    QTest::newRow("at once, SL1") << true << 1 << 0 << "attendu 0, obtenu 1";
    QTest::newRow("at its pace, SA1") << false << 8 << 2400 << "attendu 2400 mV, obtenu 2500 mV";
  }

  void aWrongExpectationMarksItsRowAndLaneAlone() {
    QFETCH(bool, atOnce);
    QFETCH(int, page);
    QFETCH(int, wrong);
    QFETCH(QString, said);
    // EL1 then EL2 at 100 ms, EL1 alone from 200 ms, nothing from 300 ms.
    std::vector<ScenarioRow> rows;
    for (auto [t, el1, el2] : {std::tuple{0, 0, 0}, {100, 1, 1}, {200, 1, 0}, {300, 0, 0}}) {
      BoardInputs in;
      in.logic[0] = el1;
      in.logic[1] = el2;
      rows.emplace_back(t, in);
    }
    rows = expectingTheRun(rows, runScenario(images, rows));
    const std::size_t row = 2;  // SL1 lit, SA1 held at 2500
    rows[row].expected.set(page, wrong);

    clockMs = 0;
    w->play(rows, atOnce);
    for (const ScenarioRow& r : rows) {
      clockMs = r.timeMs;
      QTRY_VERIFY(w->trace().lastTime() >= r.timeMs || !w->playing());
    }
    QTRY_VERIFY(!w->playing());
    QCOMPARE(int(w->mismatches().size()), 1);
    const ExpectationFailure& failure = w->mismatches().front().failure;
    QCOMPARE(int(failure.row), int(row));
    QCOMPARE(failure.page, page);
    QCOMPARE(w->mismatches().front().untilMs, 300);
    QCOMPARE(w->verdict->text(), QString("44 attentes, 1 échec"));

    const ChartMetrics& m = w->chart()->metrics();
    const ChartView view = w->chart()->view();
    const RedMarks marks = redMarks(w->chart()->picture(), m);
    // A bar at the row, a band while it stands, on the output's lane.
    auto x = [&](double t) { return xAtTime(t, view, w->chart()->width(), m); };
    QCOMPARE(int(marks.bars.size()), 1);
    QCOMPARE(marks.bars[0].lane, outputSignal(page));
    QVERIFY(marks.bars[0].left < x(200) && marks.bars[0].right > x(200));
    QCOMPARE(int(marks.bands.size()), 1);
    QCOMPARE(marks.bands[0].lane, outputSignal(page));
    QCOMPARE(marks.bands[0].left, x(200));
    QCOMPARE(marks.bands[0].right, x(300));
    QVERIFY(marks.texts.isEmpty());  // the readings at the present: the row no longer stands

    w->chart()->setCursorTime(250);
    const RedMarks atCursor = redMarks(w->chart()->picture(), m);
    QCOMPARE(atCursor.texts, QStringList({QString::number(wrong == 0 ? 1 : 2500), said}));
    w->chart()->setCursorTime(300);
    QVERIFY(redMarks(w->chart()->picture(), m).texts.isEmpty());
    QVERIFY(chartSvg(w->chart()->picture()).find(said.toStdString()) == std::string::npos);
    w->chart()->setCursorTime(200);
    QVERIFY(chartSvg(w->chart()->picture()).find(said.toStdString()) != std::string::npos);
  }

  void closingWhileRecordingAsksFirst_data() {
    QTest::addColumn<SaveChoice>("choice");
    QTest::addColumn<bool>("fileChosen");
    QTest::addColumn<bool>("closed");
    QTest::addColumn<bool>("saved");
    QTest::newRow("Annuler: the window and its recording stay") << SaveChoice::GoBack << true << false << false;
    QTest::newRow("Ne pas enregistrer: closed, nothing written") << SaveChoice::Drop << true << true << false;
    QTest::newRow("Enregistrer: written, then closed") << SaveChoice::Save << true << true << true;
    QTest::newRow("Enregistrer, no file chosen: stays, recording") << SaveChoice::Save << false << false << false;
  }

  void closingWhileRecordingAsksFirst() {
    QFETCH(SaveChoice, choice);
    dialogs.saveFirst = choice;
    QFETCH(bool, fileChosen);
    QFETCH(bool, closed);
    QFETCH(bool, saved);
    const auto path = dir / ("en-cours-" + std::to_string(int(choice)) + std::to_string(fileChosen) + ".csv");
    if (fileChosen) choose(path);
    w->recordAction->trigger();
    clockMs += 30;
    tick(w->el[3]);
    w->close();
    QCOMPARE(dialogs.saveFirstQuestions, 1);
    QCOMPARE(dialogs.beeps, 1);  // as every question that may lose work
    QCOMPARE(!w->isVisible(), closed);
    QCOMPARE(w->recording(), !closed);
    QCOMPARE(w->recordAction->isChecked(), !closed);
    QCOMPARE(std::filesystem::exists(path), saved);
    if (saved) QCOMPARE(parseScenario(testing_support::readBytes(path)).rows.back().timeMs, 30);
  }

  void closingWhileRecordingDuringATransferKeepsTheWindowWithoutAsking() {
    w->recordAction->trigger();
    w->refuseModalCommands(true);
    w->close();
    QCOMPARE(dialogs.saveFirstQuestions, 0);
    QVERIFY(w->isVisible() && w->recording());
    w->refuseModalCommands(false);
    // Playing would start a new run and drop the recording.
    QVERIFY(!w->playAction->isEnabled() && !w->playAtOnceAction->isEnabled());
    dialogs.saveFirst = SaveChoice::Drop;
    w->close();
    QCOMPARE(dialogs.saveFirstQuestions, 1);
    QVERIFY(!w->isVisible());
  }

  void aRecordingEndsOnlyOnceSavedAndTimeRunsWhileItLasts() {
    w->setPaused(true);
    clockMs += 500;
    w->recordAction->trigger();  // time runs again: the rows get real times
    QVERIFY(!w->paused());
    QVERIFY(!w->pauseButton->isEnabled() && !w->playAction->isEnabled() && !w->playAtOnceAction->isEnabled());
    w->setPaused(true);
    QVERIFY(!w->paused());
    clockMs += 40;
    tick(w->el[0]);
    clockMs += 20;
    tick(w->el[0]);

    // Unticked, the entry asks for a file: no file, or one that cannot be
    // written, and the recording goes on.
    w->recordAction->trigger();
    QVERIFY(w->recording() && w->recordAction->isChecked());
    choose(dir / "absent" / "s.csv");
    w->recordAction->trigger();
    QVERIFY(w->recording() && w->recordAction->isChecked());
    QCOMPARE(messages().size(), 1);
    QCOMPARE(dialogs.beeps, 1);
    QVERIFY2(messages()[0].startsWith("Impossible d'enregistrer le fichier s.csv : "), qPrintable(messages()[0]));

    choose(dir / "s.csv");
    w->recordAction->trigger();
    QVERIFY(!w->recording() && w->pauseButton->isEnabled() && w->playAction->isEnabled());
    const ParsedScenario saved = parseScenario(testing_support::readBytes(dir / "s.csv"));
    QCOMPARE(int(saved.rows.size()), 3);
    QCOMPARE(saved.rows[1].timeMs, 40);
    QCOMPARE(saved.rows[2].timeMs, 60);
  }

  // The board window (872x601 at 96 dpi) beside the editor (387x419).
  void theBoardWindowOpensBesideTheEditor_data() {
    QTest::addColumn<QRect>("screen");
    QTest::addColumn<QPoint>("editorAt");
    QTest::addColumn<QPoint>("editorTo");
    QTest::addColumn<QPoint>("windowAt");
    QTest::newRow("room on the right") << QRect(0, 0, 1920, 1080) << QPoint(20, 300) << QPoint(20, 300)
                                       << QPoint(407, 300);
    QTest::newRow("room on the left only") << QRect(0, 0, 1920, 1080) << QPoint(1400, 300) << QPoint(1400, 300)
                                           << QPoint(528, 300);
    QTest::newRow("1366x768, centred: the editor moves aside") << QRect(0, 0, 1366, 728) << QPoint(489, 174)
                                                               << QPoint(107, 174) << QPoint(494, 127);
    QTest::newRow("second screen, just as far as needed") << QRect(1920, 0, 1366, 768) << QPoint(2400, 100)
                                                           << QPoint(2027, 100) << QPoint(2414, 100);
    QTest::newRow("too small: each at its edge") << QRect(0, 0, 1024, 768) << QPoint(300, 174) << QPoint(0, 174)
                                                 << QPoint(152, 167);
  }

  void theBoardWindowOpensBesideTheEditor() {
    QFETCH(QRect, screen);
    QFETCH(QPoint, editorAt);
    QFETCH(QPoint, editorTo);
    QFETCH(QPoint, windowAt);
    const SideBySide places = sideBySide(screen, QRect(editorAt, QSize(387, 419)), QSize(872, 601));
    QCOMPARE(places.anchor, editorTo);
    QCOMPARE(places.window, windowAt);
  }

  void scenarioFilesAreWrittenReadAndRefusedWithTheirLine() {
    choose(dir / "enregistre");
    w->recordAction->trigger();
    tick(w->el[3]);
    w->recordAction->trigger();  // ends the recording: saved as chosen, .csv added
    const std::string path = (dir / "enregistre.csv").string();
    QFile file(QString::fromStdString(path));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const ParsedScenario saved = parseScenario(file.readAll().toStdString());
    QCOMPARE(int(saved.rows.size()), 2);
    QVERIFY(saved.rows[1].inputs.logic[3]);

    testing_support::writeBytes(dir / "faux.csv", std::string(kScenarioHeader) + "\n\n5,1,0,0,0,0,0,0,0,0,0\n");
    choose(dir / "faux.csv");
    w->playAtOnceAction->trigger();
    QCOMPARE(messages(), QStringList("Ce scénario ne convient pas : faux.csv, ligne 3 :\n"
                                     "il faut 12 valeurs séparées par des virgules, la ligne en a 11"));
    choose(path);
    w->playAtOnceAction->trigger();
    QVERIFY(w->el[3]->isChecked());
  }

  // Read as velkor-cli reads them: a folder or a FIFO nobody writes to is
  // told at once rather than read (a FIFO would block the window for ever).
  void aScenarioThatIsNoPlainFileIsToldAtOnce() {
    std::filesystem::create_directory(dir / "dossier.csv");
    QStringList expected{"Impossible de lire le scénario dossier.csv : c'est un dossier"};
    QStringList names{"dossier.csv"};
#ifndef _WIN32
    QCOMPARE(mkfifo((dir / "tube.csv").c_str(), 0600), 0);
    expected << "Impossible de lire le scénario tube.csv : ce n'est pas un fichier ordinaire";
    names << "tube.csv";
#endif
    for (const QString& name : names) {
      choose(dir / name.toStdString());
      w->playAtOnceAction->trigger();
    }
    QCOMPARE(messages(), expected);
  }

  void theChartIsExportedAsItIsShown() {
    tick(w->el[0]);  // EL1 and SL1 high from here on
    clockMs += 60;
    const std::string svgPath = (dir / "chrono.svg").string(), pngPath = (dir / "chrono.png").string();
    choose(svgPath);
    w->exportSvgAction->trigger();
    choose(pngPath);
    w->exportPngAction->trigger();
    choose(dir / "releve.csv");
    w->exportCsvAction->trigger();
    QCOMPARE(messages(), QStringList());
    const std::string before = testing_support::readBytes(svgPath);

    QFile svgFile(QString::fromStdString(svgPath));
    QVERIFY(svgFile.open(QIODevice::ReadOnly));
    QXmlStreamReader svg(&svgFile);
    int polylines = 0;
    QStringList names;
    while (!svg.atEnd()) {
      svg.readNext();
      if (svg.isStartElement() && svg.name() == QLatin1String("polyline")) ++polylines;
      if (svg.isStartElement() && svg.name() == QLatin1String("text")) names << svg.readElementText();
    }
    QVERIFY2(!svg.hasError(), qPrintable(svg.errorString()));
    QVERIFY(polylines >= 22);
    QVERIFY(names.contains("EL1") && names.contains("SA4"));

    // The PNG: EL1 and SL1 reach their high level, EL2 never does.
    const QImage png(QString::fromStdString(pngPath));
    QCOMPARE(png.height(), w->chart()->metrics().height());
    const ChartMetrics& m = w->chart()->metrics();
    auto reachesHigh = [&](int lane, QColor colour) {
      const int y = int(m.laneTop(lane) + 3);
      for (int x = int(m.plotLeft()); x < png.width(); ++x)
        for (int dy = -1; dy <= 1; ++dy)
          if (png.pixelColor(x, y + dy) == colour) return true;
      return false;
    };
    QVERIFY(reachesHigh(0, QColor(0, 0, 128)));
    QVERIFY(reachesHigh(11, QColor(0, 128, 0)));
    QVERIFY(!reachesHigh(1, QColor(0, 0, 128)));

    QFile csv(toQString(*dialogs.saveChoice));
    QVERIFY(csv.open(QIODevice::ReadOnly));
    QVERIFY(csv.readLine().startsWith("time_ms,EL1,"));

    // A name typed without its extension: asked about before the file of
    // that name is replaced.
    choose(dir / "chrono");
    dialogs.answers = {false};
    w->exportSvgAction->trigger();
    QVERIFY(dialogs.answers.empty());
    QCOMPARE(testing_support::readBytes(svgPath), before);
  }

  void pausedTimeStandsStillAndTheChartRests() {
    clockMs += 70;
    w->setPaused(true);
    QCOMPARE(w->pauseButton->text(), QString("Re&prendre"));
    QTest::qWait(50);
    const long paints = w->chart()->paintCount();
    clockMs += 300;
    QTest::qWait(300);
    QCOMPARE(w->now(), 70);
    QCOMPARE(w->chart()->paintCount(), paints);
    tick(w->el[0]);  // still answered, at the paused time
    QCOMPARE(shown(*w), QString("SL: 1 SA: 0 0 0 0"));
    QCOMPARE(w->trace().lastTime(), 70);
    w->setPaused(false);
    clockMs += 5;
    QCOMPARE(w->now(), 75);
  }
};

QTEST_MAIN(BoardWindowTest)
#include "board_window_test.moc"
