// The transfer protocol against the emulated board, in virtual time: every
// pause, wait and time-out is checked to the millisecond.
#include <gtest/gtest.h>

#include <memory>

#include "board/board_messages.h"
#include "board/board_transfer.h"
#include "image/system_errors.h"
#include "support/counting_cursor.h"
#include "support/fake_dialogs.h"
#include "support/programs.h"
#include "support/row_names.h"
#include "editor_side.h"
#include "virtual_line.h"

namespace velkor {
namespace {

using testing_support::VirtualLine;

// What a failed upload says: the check-list, what came back for the line of
// `page`, and what the board now holds.
std::string uploadFailed(EchoFault fault, int page) {
  return std::string(msg::kCheckList) + "\r\r" + msg::echoFault(fault, page) + "\r" + msg::boardHolds(page - 1);
}

// What a failed download says: its message, then what came back and that
// nothing changed.
std::string downloadFailed(std::string_view message, const std::string& whatCameBack) {
  return std::string(message) + "\r\r" + whatCameBack + "\r" + std::string(msg::kBoardAndPagesUnchanged);
}
const std::string kNoAnswerSL1 = "La carte n'a pas répondu à la demande de SL1.";
const std::string kDownloaded{msg::kDownloadDone};

class ProtocolTest : public testing::Test {
 protected:
  std::unique_ptr<BoardEmulator> board;
  std::unique_ptr<VirtualLine> line;
  testing_support::FakeDialogs dialogs;
  testing_support::CountingCursor cursor;
  std::unique_ptr<BoardTransfer> transfer;
  Program program;

  void SetUp() override { startBoard(); }

  // `memory`: what the board holds.
  void startBoard(EmulatorFaults faults = {}, const ProgramImages* memory = nullptr) {
    transfer.reset();
    board = std::make_unique<BoardEmulator>(faults);
    if (memory) board->images = *memory;
    line = std::make_unique<VirtualLine>(*board);
    transfer = std::make_unique<BoardTransfer>(*line, *line, *line, cursor);
    program.initialiserPages();
  }

  // "Enregistrer dans la carte" or "Charger depuis la carte", as the editor runs them.
  TransferResult upload(Program& p) { return testing_support::uploadProgram(*transfer, dialogs, p); }
  TransferResult download(Program& p) { return testing_support::downloadProgram(*transfer, dialogs, p); }
  TransferResult transferProgram(bool upload) { return upload ? this->upload(program) : download(program); }

  // Virtual milliseconds a call takes.
  template <class F>
  std::uint32_t timed(F&& f) {
    const std::uint32_t start = line->GetTickCount();
    f();
    return line->GetTickCount() - start;
  }
};

TEST_F(ProtocolTest, UploadThenDownloadIsByteExactWithItsPauses) {
  testing_support::makeRichProgram(program);
  const ProgramImages sent = program.images;
  TransferResult result{};
  EXPECT_EQ(timed([&] { result = upload(program); }), 100u + 11 * 600);
  EXPECT_EQ(result, TransferResult::Done);
  EXPECT_EQ(dialogs.shown, std::vector<std::string>{std::string(msg::kUploadDone)});
  EXPECT_FALSE(cursor.busy);
  EXPECT_TRUE(line->Active()) << "the port stays open";
  ASSERT_EQ(line->sent.size(), 11u);
  for (int page = 1; page <= kPageCount; ++page) {
    const std::string command = page <= 7 ? "PL" + std::to_string(page) : "PA" + std::to_string(page - 7);
    EXPECT_EQ(line->sent[page - 1].bytes, command + sent[page] + "\r") << page;
    EXPECT_EQ(line->sent[page - 1].at, 100u + (page - 1) * 600) << page;
  }
  EXPECT_EQ(board->images, sent);

  Program other;
  other.initialiserPages();
  line->sent.clear();
  const std::uint32_t start = line->GetTickCount();
  EXPECT_EQ(timed([&] { result = download(other); }), 100u + 11 * 500);
  EXPECT_EQ(result, TransferResult::Done);
  ASSERT_EQ(line->sent.size(), 11u);
  EXPECT_EQ(line->sent[0].bytes, "LL1\r");
  EXPECT_EQ(line->sent[10].bytes, "LA4\r");
  EXPECT_EQ(line->sent[10].at - start, 100u + 10 * 500) << "already open: the pause after opening is kept";
  other.construireImages();
  EXPECT_EQ(other.images, sent);
  EXPECT_EQ(other.document.page(2).threshold(3).value, "4321");
  EXPECT_TRUE(other.document.page(9).hold);
  EXPECT_FALSE(other.document.ProgramModified);
}

struct FaultRow {
  const char* what;
  EmulatorFaults faults;
  bool upload;
  TransferResult result;
  std::string message;  // empty: none
  std::uint32_t endsAtMs;
  std::uint32_t heldMs = 0;  // a modal window holds the first wait's event loop this long
};

class TransferFault : public ProtocolTest, public testing::WithParamInterface<FaultRow> {};

TEST_P(TransferFault, EndsWithItsMessageAtItsTime) {
  const FaultRow& row = GetParam();
  startBoard(row.faults);
  testing_support::makeRichProgram(program);
  // Set for an upload, which keeps it; clear for a download, which would ask first.
  program.document.ProgramModified = row.upload;
  const ProgramImages before = program.images;
  line->stallNextWait(row.heldMs);
  TransferResult result{};
  EXPECT_EQ(timed([&] { result = transferProgram(row.upload); }), row.endsAtMs);
  EXPECT_EQ(result, row.result);
  if (row.message.empty()) {
    EXPECT_TRUE(dialogs.shown.empty());
  } else {
    EXPECT_EQ(dialogs.shown, std::vector<std::string>{row.message});
  }
  EXPECT_FALSE(cursor.busy);
  EXPECT_EQ(program.document.ProgramModified, row.upload);
  program.construireImages();
  if (!row.upload) {
    // However slow the board, what shows is its program; after a failure,
    // nothing was decoded: the pages are as they were.
    EXPECT_EQ(program.images, result == TransferResult::Done ? board->images : before);
  }
  if (row.faults.onlyLine > 0) {
    // The board behaves again: once the user has read the message (and the
    // board finished a late answer), the next transfer goes through.
    line->idle(1000);
    dialogs.shown.clear();
    EXPECT_EQ(transferProgram(row.upload), TransferResult::Done) << "then a good transfer";
    EXPECT_FALSE(cursor.busy);
    program.construireImages();
    EXPECT_EQ(board->images, program.images) << "then a good transfer";
  }
}

// Upload: each line waits 600 ms, then its echo up to 4000 ms more (failing
// at 4001); the echo of a logic line is 52 bytes with its CR LF and matches
// once byte 49 is in. Download: each reply waits 500 ms, then up to 2000 ms
// more; a logic reply is 48 bytes with its CR LF, an analog one 25. The board
// answers at once unless a row says otherwise.
INSTANTIATE_TEST_SUITE_P(
    Rows, TransferFault,
    testing::Values(
        FaultRow{"corrupt echo", {.corruptEcho = true}, true, TransferResult::NoCommunication,
                 uploadFailed(EchoFault::Different, 1), 100 + 600 + 4001},
        // Byte 49 comes with the tenth piece of five, 9 x 500 ms after the line.
        FaultRow{"echo complete 3.9 s into its wait", {.pieceSize = 5, .pieceDelayMs = 500, .onlyLine = 1}, true,
                 TransferResult::Done, std::string(msg::kUploadDone), 100 + 9 * 500 + 10 * 600},
        FaultRow{"echo complete 4.1 s into its wait", {.pieceSize = 5, .pieceDelayMs = 522, .onlyLine = 1}, true,
                 TransferResult::NoCommunication, uploadFailed(EchoFault::Cut, 1), 100 + 600 + 4001},
        FaultRow{"upload cut after three lines", {.silent = true, .onlyLine = 4}, true,
                 TransferResult::NoCommunication, uploadFailed(EchoFault::Silence, 4), 100 + 4 * 600 + 4001},
        FaultRow{"last echo cut short", {.pieceSize = 20, .pieceDelayMs = 5000, .onlyLine = 11}, true,
                 TransferResult::NoCommunication, uploadFailed(EchoFault::Cut, 11), 100 + 11 * 600 + 4001},
        FaultRow{"line feed 550 ms after the image", {.pieceSize = 47, .pieceDelayMs = 550, .onlyLine = 1}, false,
                 TransferResult::Done, kDownloaded, 100 + 550 + 10 * 500},
        FaultRow{"line end 550 ms after each half image", {.pieceSize = 23, .pieceDelayMs = 550, .onlyLine = 1},
                 false, TransferResult::Done, kDownloaded, 100 + 1100 + 10 * 500},
        FaultRow{"every line end 550 ms late", {.pieceSize = 47, .pieceDelayMs = 550}, false, TransferResult::Done,
                 kDownloaded, 100 + 7 * 550 + 4 * 500},
        // Once the image and its CR are in, the LF has 50 ms (given up at
        // 51); one later than that leads the next reply, which is read past it.
        FaultRow{"line feed 600 ms after the image", {.pieceSize = 47, .pieceDelayMs = 600, .onlyLine = 1}, false,
                 TransferResult::Done, kDownloaded, 100 + 500 + 51 + 500 + 9 * 500},
        FaultRow{"line feed after the wait", {.pieceSize = 47, .pieceDelayMs = 2600, .onlyLine = 1}, false,
                 TransferResult::Done, kDownloaded, 100 + 2600 + 9 * 500},
        // Boards that end their replies with CR alone or LF alone.
        FaultRow{"CR alone", {.lineEnd = "\r"}, false, TransferResult::Done, kDownloaded, 100 + 11 * (500 + 51)},
        FaultRow{"CR alone, 550 ms after the image",
                 {.pieceSize = 46, .pieceDelayMs = 550, .onlyLine = 1, .lineEnd = "\r"}, false, TransferResult::Done,
                 kDownloaded, 100 + 550 + 51 + 10 * (500 + 51)},
        FaultRow{"CR alone, after the wait", {.pieceSize = 46, .pieceDelayMs = 2600, .onlyLine = 1, .lineEnd = "\r"},
                 false, TransferResult::NoCommunication,
                 downloadFailed(msg::kCheckList,
                                "La réponse de SL1 n'est arrivée qu'en partie : 46 octets sur 46, sans fin de ligne."),
                 100 + 500 + 2001},
        FaultRow{"LF alone", {.lineEnd = "\n"}, false, TransferResult::Done, kDownloaded, 100 + 11 * 500},
        FaultRow{"LF alone, 550 ms after the image",
                 {.pieceSize = 46, .pieceDelayMs = 550, .onlyLine = 1, .lineEnd = "\n"}, false, TransferResult::Done,
                 kDownloaded, 100 + 550 + 10 * 500},
        FaultRow{"echoes ending with LF alone", {.lineEnd = "\n"}, true, TransferResult::Done,
                 std::string(msg::kUploadDone), 100 + 11 * 600},
        FaultRow{"reply 1.9 s into its wait", {.replyDelayMs = 2400, .onlyLine = 1}, false, TransferResult::Done,
                 kDownloaded, 100 + 2400 + 10 * 500},
        FaultRow{"reply 2.0 s into its wait", {.replyDelayMs = 2500, .onlyLine = 1}, false, TransferResult::Done,
                 kDownloaded, 100 + 2500 + 10 * 500},
        FaultRow{"reply 2.1 s into its wait", {.replyDelayMs = 2600, .onlyLine = 1}, false,
                 TransferResult::NoCommunication, downloadFailed(msg::kCheckList, kNoAnswerSL1), 100 + 500 + 2001},
        FaultRow{"reply cut short", {.truncateReply = 10, .onlyLine = 1}, false, TransferResult::NoCommunication,
                 downloadFailed(msg::kCheckList,
                                "La réponse de SL1 n'est arrivée qu'en partie : 10 octets sur 46, sans fin de ligne."),
                 100 + 500 + 2001},
        FaultRow{"reply of blanks", {.blanksOnly = true, .onlyLine = 1}, false, TransferResult::NoCommunication,
                 downloadFailed(msg::kCheckList, "La carte n'a répondu à la demande de SL1 que des blancs ou des "
                                                 "octets de contrôle (48 octets)."),
                 100 + 500 + 2001},
        FaultRow{"no program", {.noProgram = true}, false, TransferResult::NoProgram,
                 downloadFailed(msg::kNoProgramInBoard, "La réponse de SL1 ne commence pas par un code de condition : "
                                                        "la carte n'a pas de programme pour cette sortie."),
                 100 + 500},
        FaultRow{"analog output silent", {.silent = true, .onlyLine = 8}, false, TransferResult::NoCommunication,
                 downloadFailed(msg::kNoCommunication, "La carte n'a pas répondu à la demande de SA1."),
                 100 + 8 * 500 + 2001},
        FaultRow{"analog output without program", {.noProgram = true, .onlyLine = 9}, false,
                 TransferResult::NoCommunication,
                 downloadFailed(msg::kCheckList, "La réponse de SA2 ne commence pas par un code de condition : la "
                                                 "carte n'a pas de programme pour cette sortie."),
                 100 + 9 * 500},
        // A modal window opened during a wait holds its loop for 10 s: what
        // arrived within the time-out counts, what came after it does not.
        FaultRow{"echo in time, the wait held 10 s", {}, true, TransferResult::Done, std::string(msg::kUploadDone),
                 100 + 600 + 10000 + 10 * 600, 10000},
        FaultRow{"echo late, the wait held 10 s", {.replyDelayMs = 4700, .onlyLine = 1}, true,
                 TransferResult::NoCommunication, uploadFailed(EchoFault::Silence, 1), 100 + 600 + 10000, 10000},
        FaultRow{"reply in time, the wait held 10 s", {}, false, TransferResult::Done, kDownloaded,
                 100 + 500 + 10000 + 10 * 500, 10000},
        FaultRow{"reply late, the wait held 10 s", {.replyDelayMs = 2600, .onlyLine = 1}, false,
                 TransferResult::NoCommunication, downloadFailed(msg::kCheckList, kNoAnswerSL1), 100 + 500 + 10000,
                 10000}),
    testing_support::RowIndexName());

struct HangUpRow {
  const char* what;
  int afterLines;  // the board's line goes dead once it has answered this many (at least one)
  bool upload;
  std::string raised;  // what the port failure says, after the port's name
};

class TransferHangUp : public ProtocolTest, public testing::WithParamInterface<HangUpRow> {};

// The next line cannot be written: the port's failure ends the transfer and
// goes to the central report, naming the port; an upload says what the
// board holds. The same port object opens a board on another line.
TEST_P(TransferHangUp, EndsTheTransferWithThePortFailure) {
  const HangUpRow& row = GetParam();
  startBoard({.hangUpAfterLines = row.afterLines});
  program.document.ProgramModified = false;
  std::string raised;
  try {
    transferProgram(row.upload);
  } catch (const EComError& e) {
    raised = e.what();
  }
  EXPECT_EQ(raised, "COM2 : " + systemErrorText(5, "Input/output error") + row.raised);
  EXPECT_TRUE(dialogs.shown.empty());
  EXPECT_FALSE(cursor.busy);
  EXPECT_FALSE(transfer->busy());

  startBoard();
  EXPECT_EQ(transferProgram(row.upload), TransferResult::Done);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, TransferHangUp,
    testing::Values(HangUpRow{"upload, at the second line", 1, true, "\r\r" + msg::boardHolds(1)},
                    HangUpRow{"upload, at the fifth line", 4, true, "\r\r" + msg::boardHolds(4)},
                    HangUpRow{"download, at the second request", 1, false,
                              "\r\rLa lecture de la carte s'est arrêtée à SL2.\r" +
                                  std::string(msg::kBoardAndPagesUnchanged)},
                    HangUpRow{"download, at the fifth request", 4, false,
                              "\r\rLa lecture de la carte s'est arrêtée à SL5.\r" +
                                  std::string(msg::kBoardAndPagesUnchanged)}),
    testing_support::RowIndexName());

TEST_F(ProtocolTest, MissingPortIsToldAtOnce) {
  line->missing = true;
  TransferResult result{};
  EXPECT_EQ(timed([&] { result = upload(program); }), 0u);
  EXPECT_EQ(result, TransferResult::PortUnavailable);
  EXPECT_EQ(dialogs.shown, std::vector<std::string>{msg::portUnavailable("COM2", "fichier ou périphérique introuvable")});
  EXPECT_EQ(dialogs.beeps, 1);
  EXPECT_FALSE(cursor.busy);
  EXPECT_TRUE(line->sent.empty());
}

// A reply that can no longer be an image is told as soon as its byte is in,
// without sitting out the wait, and nothing of it is kept.
TEST_F(ProtocolTest, DownloadToldAtOnceOfAReplyThatCannotBeAnImage) {
  const struct {
    int page;
    std::string image;  // what the board sends, then CR LF
    std::string told;
  } rows[] = {
      {3, "\x03X" + BoardEmulator().images[3].substr(2),
       "La réponse de SL3 contient un octet que la carte n'envoie jamais (octet 2)."},
      {1, BoardEmulator().images[1].substr(0, 30),
       "La réponse de SL1 est trop courte : une fin de ligne après 30 octets au lieu de 46."},
      {9, BoardEmulator().images[9] + "F",
       "La réponse de SA2 est trop longue : pas de fin de ligne après les 23 octets de l'image."},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.told);
    ProgramImages memory = BoardEmulator().images;
    memory[row.page] = row.image;
    startBoard({}, &memory);
    program.document.ProgramModified = false;
    const ProgramImages before = program.images;
    dialogs.shown.clear();
    TransferResult result{};
    EXPECT_EQ(timed([&] { result = download(program); }), 100u + row.page * 500);
    EXPECT_EQ(result, TransferResult::NoCommunication);
    EXPECT_EQ(dialogs.shown, std::vector<std::string>{downloadFailed(msg::kCheckList, row.told)});
    EXPECT_EQ(program.images[row.page], before[row.page]) << "nothing of the reply is kept";
  }
}

TEST_F(ProtocolTest, DownloadShowsOnlyTheBoardsProgram) {
  // SL5 holds a longer chain, and SL2 a threshold, that the board's program lacks.
  program.document.ou01_01Click(FieldId::link(5, 1));
  program.document.ou01_01Click(FieldId::link(5, 2));
  program.document.page(2).slot(1).text = "EA2";
  program.document.UpdateThresholds(2);
  program.document.ProgramModified = false;
  ASSERT_EQ(download(program), TransferResult::Done);
  const OutputPage& pg = program.document.page(5);
  EXPECT_EQ(pg.slot(1).text, "EL5=1");
  EXPECT_EQ(pg.link(1).caption, "-");
  EXPECT_TRUE(pg.slot(2).text.empty());
  EXPECT_FALSE(program.document.page(2).threshold(2).enabled);
  const ProgramImages received = program.images;
  program.construireImages();
  EXPECT_EQ(program.images, received) << "the pages encode back to what the board sent";
}

TEST_F(ProtocolTest, SecondTransferIsRefusedWhileOneRuns) {
  TransferResult inner = TransferResult::Done;
  // A menu command arriving while the first transfer runs.
  transfer->onProgress = [&](const TransferStep& step) {
    if (step.page == 2) inner = download(program);
  };
  EXPECT_EQ(upload(program), TransferResult::Done);
  EXPECT_EQ(inner, TransferResult::Busy);
  EXPECT_EQ(dialogs.beeps, 2);  // the refusal, then the final message
  EXPECT_FALSE(transfer->busy());
}

// The steps told, and a stop asked at the third: the line in progress goes
// through, nothing after it; an upload says what the board holds, a download
// or a read changes nothing.
TEST_F(ProtocolTest, ProgressIsToldAndAStopEndsAfterTheLineInProgress) {
  for (const bool upload : {true, false}) {
    SCOPED_TRACE(upload ? "upload" : "download");
    const ProgramImages memory = [] {
      Program p;
      testing_support::makeRichProgram(p);
      return p.images;
    }();
    startBoard({}, &memory);
    program.document.ProgramModified = false;
    const ProgramImages before = program.images;
    std::vector<TransferStep> steps;
    transfer->onProgress = [&](const TransferStep& step) {
      steps.push_back(step);
      if (step.page == 3) transfer->interrompre();
    };
    dialogs.shown.clear();
    const std::uint32_t pause = upload ? 600 : 500;
    TransferResult result{};
    EXPECT_EQ(timed([&] { result = transferProgram(upload); }), 100 + 3 * pause) << "the third line's wait is over";
    EXPECT_EQ(result, TransferResult::Interrupted);
    ASSERT_EQ(steps.size(), 3u);
    for (int i = 0; i < 3; ++i) {
      EXPECT_EQ(steps[i].upload, upload);
      EXPECT_EQ(steps[i].page, i + 1);
      EXPECT_EQ(steps[i].done, i);
      EXPECT_EQ(steps[i].msLeft, (11 - i) * pause);
    }
    EXPECT_FALSE(cursor.busy);
    EXPECT_EQ(board->linesHandled(), 3) << "the third line went through, no fourth";
    if (upload) {
      EXPECT_EQ(dialogs.shown, std::vector<std::string>{std::string(msg::kUploadInterrupted) +
                                                        "\r\rSL1 à SL3 ont été enregistrées ; SL4 à SA4 ne l'ont pas "
                                                        "été : la carte contient un programme incomplet."});
    } else {
      EXPECT_TRUE(dialogs.shown.empty());
      EXPECT_EQ(program.images, before) << "a stopped download keeps nothing";
      ProgramImages read = before;
      EXPECT_EQ(testing_support::readBoard(*transfer, dialogs, read), TransferResult::Interrupted);
      EXPECT_EQ(read, before);
      transfer->onProgress = {};
      EXPECT_EQ(testing_support::readBoard(*transfer, dialogs, read), TransferResult::Done) << "the stop is forgotten";
      EXPECT_EQ(read, memory);
      EXPECT_EQ(program.images, before) << "reading touches no page";
    }
  }
}

}  // namespace
}  // namespace velkor
