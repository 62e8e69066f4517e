#include "board/board_messages.h"
#include "image/messages.h"
#include "support/row_names.h"
#include "support/temp_dir.h"
#include "transfer_fixture.h"

namespace velkor {
namespace {

using testing_support::TransferTest;

constexpr long long kUploadPausesMs = 100 + 11 * 600;
constexpr long long kDownloadPausesMs = 100 + 11 * 500;

// What a failed upload says: the check-list, what came back for the line of
// `page`, and what the board now holds.
std::string uploadFailed(EchoFault fault, int page) {
  return std::string(msg::kCheckList) + "\r\r" + msg::echoFault(fault, page) + "\r" + msg::boardHolds(page - 1);
}

TEST_F(TransferTest, UploadThenDownloadIsByteExact) {
  startBoard();
  testing_support::makeRichProgram(program);
  const ProgramImages sent = program.images;
  ASSERT_NE(sent[2].find('\n'), std::string::npos);

  TransferResult result{};
  const long long uploadMs = timed([&] { result = transfer->enregistrerDansLaCarte(program); });
  EXPECT_EQ(result, TransferResult::Done);
  EXPECT_EQ(dialogs.shown, std::vector<std::string>{std::string(msg::kUploadDone)});
  EXPECT_FALSE(cursor.busy);
  EXPECT_TRUE(port.Active()) << "the port stays open";
  std::printf("upload: %lld ms, %lld ms over its pauses\n", uploadMs, uploadMs - kUploadPausesMs);
  EXPECT_GE(uploadMs, kUploadPausesMs);
  EXPECT_LT(uploadMs, kUploadPausesMs + 400);

  Program other;
  other.initialiserPages();
  const long long downloadMs = timed([&] { result = transfer->chargerDepuisLaCarte(other); });
  EXPECT_EQ(result, TransferResult::Done);
  std::printf("download: %lld ms, %lld ms over its pauses\n", downloadMs, downloadMs - kDownloadPausesMs);
  EXPECT_GE(downloadMs, kDownloadPausesMs);
  EXPECT_LT(downloadMs, kDownloadPausesMs + 400);
  other.construireImages();
  EXPECT_EQ(other.images, sent);
  EXPECT_EQ(other.document.page(2).threshold(3).value, "4321");
  EXPECT_TRUE(other.document.page(9).hold);
  EXPECT_FALSE(other.document.ProgramModified);
  stopBoard();
  EXPECT_EQ(board->images, sent);
}

TEST_F(TransferTest, MissingPortIsReportedAtOnceWithItsName) {
  port.SetDeviceName("/dev/velkor-no-such-port");
  transfer = std::make_unique<BoardTransfer>(port, pump, clock, dialogs, cursor);
  EXPECT_EQ(transfer->enregistrerDansLaCarte(program), TransferResult::PortUnavailable);
  EXPECT_EQ(transfer->chargerDepuisLaCarte(program), TransferResult::PortUnavailable);
  EXPECT_FALSE(transfer->testerPort());
  EXPECT_EQ(dialogs.shown, std::vector<std::string>(3, "Port COM occupé ou inexistant !\r\r"
                                                        "/dev/velkor-no-such-port : fichier ou périphérique introuvable"));
  EXPECT_EQ(dialogs.beeps, 3);
  EXPECT_FALSE(cursor.busy);

  // A COM name: the device it stands for is named too.
  setenv("VELKOR_COM2", "/dev/velkor-no-such-port", 1);
  port.SetDeviceName("COM2");
  EXPECT_FALSE(transfer->testerPort());
  EXPECT_EQ(dialogs.shown.back(), "Port COM occupé ou inexistant !\r\r"
                                  "COM2 (/dev/velkor-no-such-port) : fichier ou périphérique introuvable");
}

TEST_F(TransferTest, PortInUseIsSaidToBeBusy) {
  startBoard();
  TComPort other{nullptr};
  other.SetDeviceName(port.DeviceName());
  other.SetActive(true);
  EXPECT_FALSE(transfer->testerPort());
  EXPECT_EQ(dialogs.shown, std::vector<std::string>{"Port COM occupé ou inexistant !\r\r" + port.DeviceName() +
                                                    " : périphérique occupé"});
}

TEST_F(TransferTest, PortCheckOpensAndClosesAGoodPort) {
  startBoard();
  EXPECT_TRUE(transfer->testerPort());
  EXPECT_FALSE(port.Active());
  EXPECT_TRUE(dialogs.shown.empty());
}

TEST_F(TransferTest, SilentBoardFailsTheUploadCheaply) {
  startBoard({.silent = true});
  TransferResult result{};
  const double cpuBefore = testing_support::cpuSeconds();
  const long long ms = timed([&] { result = transfer->enregistrerDansLaCarte(program); });
  const double cpu = testing_support::cpuSeconds() - cpuBefore;
  std::printf("failed upload: %lld ms, %.3f s of CPU\n", ms, cpu);
  EXPECT_EQ(result, TransferResult::NoCommunication);
  EXPECT_EQ(dialogs.shown, std::vector<std::string>{uploadFailed(EchoFault::Silence, 1)});
  EXPECT_FALSE(cursor.busy);
  EXPECT_GE(ms, 100 + 600 + 4000);
  EXPECT_LT(ms, 100 + 600 + 4000 + 300);
  EXPECT_LT(cpu, 0.1);
}

struct FaultRow {
  const char* what;
  EmulatorFaults faults;
  bool upload;
  TransferResult result;
  std::string message;  // empty: none
  long long minMs, maxMs;
};

class TransferFault : public TransferTest, public testing::WithParamInterface<FaultRow> {};

TEST_P(TransferFault, EndsWithItsMessageInItsTime) {
  const FaultRow& row = GetParam();
  startBoard(row.faults);
  testing_support::makeRichProgram(program);
  // Set for an upload, which keeps it; clear for a download, which would ask first.
  program.document.ProgramModified = row.upload;
  const ProgramImages before = program.images;
  TransferResult result{};
  const long long ms = timed([&] { result = transferProgram(row.upload); });
  EXPECT_EQ(result, row.result) << row.what;
  if (row.message.empty()) {
    EXPECT_TRUE(dialogs.shown.empty() || dialogs.shown.back() == msg::kUploadDone) << row.what;
  } else {
    ASSERT_EQ(dialogs.shown.size(), 1u) << row.what;
    EXPECT_EQ(dialogs.shown[0], row.message) << row.what;
  }
  EXPECT_FALSE(cursor.busy);
  EXPECT_GE(ms, row.minMs) << row.what;
  EXPECT_LE(ms, row.maxMs) << row.what;
  EXPECT_EQ(program.document.ProgramModified, row.upload) << row.what;
  if (!row.upload && result != TransferResult::Done) {
    // Nothing was decoded: the pages are as they were.
    program.construireImages();
    EXPECT_EQ(program.images, before) << row.what;
  }
  if (!row.upload && result == TransferResult::Done) {
    // However slow the board, what shows is its program.
    program.construireImages();
    EXPECT_EQ(program.images, board->images) << row.what;
  }
  if (row.faults.onlyLine > 0) {
    // The board behaves again: once the user has read the message (and the
    // board finished a late answer), the next transfer goes through on the
    // same port.
    pumpFor(std::chrono::seconds(1));
    dialogs.shown.clear();
    EXPECT_EQ(transferProgram(row.upload), TransferResult::Done) << row.what << ", then a good transfer";
    EXPECT_FALSE(cursor.busy);
    stopBoard();
    program.construireImages();
    EXPECT_EQ(board->images, program.images) << row.what << ", then a good transfer";
  }
}

// Upload: the first line's echo waits 600 ms, then up to 4000 ms more; an
// echo of 51 bytes in pieces of 5 is complete after 9 pauses between pieces.
// Download: the first reply waits 500 ms, then up to 2000 ms more; a logic
// reply is 48 bytes with its CR LF, an analog one 25.
INSTANTIATE_TEST_SUITE_P(
    Rows, TransferFault,
    testing::Values(
        FaultRow{"corrupt echo", {.corruptEcho = true}, true, TransferResult::NoCommunication,
                 uploadFailed(EchoFault::Different, 1), 4700, 5000},
        FaultRow{"echo complete 3.9 s into its wait", {.pieceSize = 5, .pieceDelayMs = 500, .onlyLine = 1}, true,
                 TransferResult::Done, std::string(msg::kUploadDone), 100 + 600 + 3900, 100 + 11 * 600 + 3900 + 400},
        FaultRow{"echo complete 4.1 s into its wait", {.pieceSize = 5, .pieceDelayMs = 522, .onlyLine = 1}, true,
                 TransferResult::NoCommunication, uploadFailed(EchoFault::Cut, 1), 4700, 5000},
        FaultRow{"upload cut after three lines", {.silent = true, .onlyLine = 4}, true,
                 TransferResult::NoCommunication, uploadFailed(EchoFault::Silence, 4), 100 + 4 * 600 + 4000,
                 100 + 4 * 600 + 4000 + 400},
        FaultRow{"last echo cut short", {.pieceSize = 20, .pieceDelayMs = 5000, .onlyLine = 11}, true,
                 TransferResult::NoCommunication, uploadFailed(EchoFault::Cut, 11), 100 + 11 * 600 + 4000,
                 100 + 11 * 600 + 4000 + 400},
        FaultRow{"line feed 550 ms after the image", {.pieceSize = 47, .pieceDelayMs = 550, .onlyLine = 1}, false,
                 TransferResult::Done, "", 100 + 550 + 10 * 500, 100 + 550 + 10 * 500 + 400},
        FaultRow{"line end 550 ms after each half image", {.pieceSize = 23, .pieceDelayMs = 550, .onlyLine = 1},
                 false, TransferResult::Done, "", 100 + 1100 + 10 * 500, 100 + 1100 + 10 * 500 + 400},
        FaultRow{"every line end 550 ms late", {.pieceSize = 47, .pieceDelayMs = 550}, false, TransferResult::Done,
                 "", 100 + 7 * 550 + 4 * 500, 100 + 7 * 550 + 4 * 500 + 400},
        FaultRow{"line feed after the wait", {.pieceSize = 47, .pieceDelayMs = 2600, .onlyLine = 1}, false,
                 TransferResult::NoCommunication, std::string(msg::kCheckList), 2600, 2900},
        FaultRow{"reply 1.9 s into its wait", {.replyDelayMs = 2400, .onlyLine = 1}, false, TransferResult::Done, "",
                 100 + 2400, 100 + 11 * 500 + 1900 + 400},
        FaultRow{"reply 2.1 s into its wait", {.replyDelayMs = 2600, .onlyLine = 1}, false,
                 TransferResult::NoCommunication, std::string(msg::kCheckList), 2600, 2900},
        FaultRow{"reply cut short", {.truncateReply = 30, .onlyLine = 1}, false, TransferResult::NoCommunication,
                 std::string(msg::kCheckList), 2600, 2900},
        FaultRow{"reply of blanks", {.blanksOnly = true, .onlyLine = 1}, false, TransferResult::NoCommunication,
                 std::string(msg::kCheckList), 2600, 2900},
        FaultRow{"no program", {.noProgram = true}, false, TransferResult::NoProgram,
                 std::string(msg::kNoProgramInBoard), 600, 900},
        FaultRow{"analog output silent", {.silent = true, .onlyLine = 8}, false, TransferResult::NoCommunication,
                 std::string(msg::kNoCommunication), 100 + 8 * 500 + 2000, 100 + 8 * 500 + 2000 + 300},
        FaultRow{"analog output without program", {.noProgram = true, .onlyLine = 9}, false,
                 TransferResult::NoCommunication, std::string(msg::kCheckList), 100 + 9 * 500, 100 + 9 * 500 + 300}),
    testing_support::RowIndexName());

TEST_F(TransferTest, DownloadRefusesAnImageTheEditorNeverWrites) {
  ProgramImages memory = BoardEmulator().images;
  memory[3][1] = 'X';  // SL3's first link
  startBoard({}, &memory);
  const ProgramImages before = program.images;
  EXPECT_EQ(transfer->chargerDepuisLaCarte(program), TransferResult::NoCommunication);
  EXPECT_EQ(dialogs.shown, std::vector<std::string>{std::string(msg::kCheckList)});
  EXPECT_EQ(program.images[3], before[3]) << "nothing of the reply is kept";
  EXPECT_EQ(program.images[2], board->images[2]);
}

TEST_F(TransferTest, DownloadAsksWhileModifiedAndCancelChangesNothing) {
  startBoard();
  program.document.zero1Click(FieldId::hold(8));
  dialogs.answers = {false};
  EXPECT_EQ(transfer->chargerDepuisLaCarte(program), TransferResult::Cancelled);
  EXPECT_EQ(dialogs.shown.at(0), "Attention...|Vous allez perdre les modifications. Continuer ?");
  EXPECT_TRUE(program.document.page(8).hold);
  EXPECT_TRUE(program.document.ProgramModified);
  EXPECT_FALSE(port.Active()) << "nothing was opened";
}

TEST_F(TransferTest, DownloadShowsOnlyTheBoardsProgram) {
  startBoard();
  // SL5 holds a longer chain, and SL2 a threshold, that the board's program lacks.
  program.document.ou01_01Click(FieldId::link(5, 1));
  program.document.ou01_01Click(FieldId::link(5, 2));
  program.document.page(2).slot(1).text = "EA2";
  program.document.UpdateThresholds(2);
  program.document.ProgramModified = false;
  ASSERT_EQ(transfer->chargerDepuisLaCarte(program), TransferResult::Done);
  const OutputPage& pg = program.document.page(5);
  EXPECT_EQ(pg.slot(1).text, "EL5=1");
  EXPECT_EQ(pg.link(1).caption, "-");
  EXPECT_TRUE(pg.slot(2).text.empty());
  EXPECT_FALSE(program.document.page(2).threshold(2).enabled);
  const ProgramImages received = program.images;
  program.construireImages();
  EXPECT_EQ(program.images, received) << "the pages encode back to what the board sent";
}

TEST_F(TransferTest, SecondTransferIsRefusedWhileOneRuns) {
  startBoard();
  TransferResult inner = TransferResult::Done;
  // A menu command arriving while the first transfer runs.
  transfer->onProgress = [&](const TransferStep& step) {
    if (step.page == 2) inner = transfer->chargerDepuisLaCarte(program);
  };
  EXPECT_EQ(transfer->enregistrerDansLaCarte(program), TransferResult::Done);
  EXPECT_EQ(inner, TransferResult::Busy);
  EXPECT_EQ(dialogs.beeps, 2);  // the refusal, then the final message
  EXPECT_FALSE(transfer->busy());
}

// The steps told, and a stop asked at the third: the line in progress goes
// through, nothing after it; an upload says what the board holds, a download
// or a read changes nothing.
TEST_F(TransferTest, ProgressIsToldAndAStopEndsAfterTheLineInProgress) {
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
    EXPECT_EQ(transferProgram(upload), TransferResult::Interrupted);
    ASSERT_EQ(steps.size(), 3u);
    const std::uint32_t pause = upload ? 600 : 500;
    for (int i = 0; i < 3; ++i) {
      EXPECT_EQ(steps[i].upload, upload);
      EXPECT_EQ(steps[i].page, i + 1);
      EXPECT_EQ(steps[i].done, i);
      EXPECT_EQ(steps[i].msLeft, (11 - i) * pause);
    }
    EXPECT_FALSE(cursor.busy);
    if (upload) {
      EXPECT_EQ(dialogs.shown, std::vector<std::string>{std::string(msg::kUploadInterrupted) +
                                                        "\r\rSL1 à SL3 ont été enregistrées ; SL4 à SA4 ne l'ont pas "
                                                        "été : la carte contient un programme incomplet."});
    } else {
      EXPECT_TRUE(dialogs.shown.empty());
      EXPECT_EQ(program.images, before) << "a stopped download keeps nothing";
      ProgramImages read = before;
      EXPECT_EQ(transfer->lireLaCarte(read), TransferResult::Interrupted);
      EXPECT_EQ(read, before);
      transfer->onProgress = {};
      EXPECT_EQ(transfer->lireLaCarte(read), TransferResult::Done) << "the stop is forgotten";
      EXPECT_EQ(read, memory);
      EXPECT_EQ(program.images, before) << "reading touches no page";
    }
    transfer.reset();
    port.SetActive(false);
    stopBoard();
    // The third line went through, no fourth (a download then read 3 and 11 more).
    EXPECT_EQ(board->linesHandled(), upload ? 3 : 3 + 3 + 11);
  }
}

struct HangUpRow {
  const char* what;
  int afterLines;  // lines the board answers before its line goes dead
  bool upload;
};

class TransferHangUp : public TransferTest, public testing::WithParamInterface<HangUpRow> {};

TEST_P(TransferHangUp, EndsTheTransferAndTheNextOneReopens) {
  const HangUpRow& row = GetParam();
  startBoard({.hangUpAfterLines = row.afterLines});
  program.document.ProgramModified = false;
  TransferResult result{};
  const long long ms = timed([&] {
    try {
      result = transferProgram(row.upload);
    } catch (const std::exception& e) {
      result = TransferResult::NoCommunication;  // a port failure reported by the window
      dialogs.shown.emplace_back(e.what());
    }
  });
  EXPECT_EQ(result, TransferResult::NoCommunication);
  EXPECT_FALSE(cursor.busy);
  EXPECT_FALSE(transfer->busy());
  EXPECT_LT(ms, 100 + (row.afterLines + 1) * 600 + 4000 + 300);
  ASSERT_FALSE(dialogs.shown.empty()) << "the user is told";
  if (row.upload) {
    // Whether the line went silent or the port failed, the board's contents
    // are told; the echo of the last line it took may go down with the line.
    const std::string& told = dialogs.shown.back();
    const bool holds = told.find(msg::boardHolds(row.afterLines)) != std::string::npos ||
                       (row.afterLines > 0 && told.find(msg::boardHolds(row.afterLines - 1)) != std::string::npos);
    EXPECT_TRUE(holds) << told;
  }

  // Another board on another line: the same port object works again.
  port.SetActive(false);
  stopBoard();
  dialogs.shown.clear();
  startBoard();
  EXPECT_EQ(transferProgram(row.upload), TransferResult::Done);
}

INSTANTIATE_TEST_SUITE_P(Rows, TransferHangUp,
                         testing::Values(HangUpRow{"upload, at the first line", 0, true},
                                         HangUpRow{"upload, after three lines", 3, true},
                                         HangUpRow{"download, at the first request", 0, false},
                                         HangUpRow{"download, after three requests", 3, false}),
                         testing_support::RowIndexName());

TEST_F(TransferTest, LineGoneWhileIdleClosesThePortAndTheNextTransferSaysSo) {
  // The port opens the line through a link of ours: once the line is gone the
  // name leads nowhere, even if another test takes the freed pseudo-terminal.
  testing_support::TempDir dir;
  const std::filesystem::path line = dir / "line";
  startBoard();
  std::filesystem::create_symlink(port.DeviceName(), line);
  port.SetDeviceName(line.string());
  ASSERT_EQ(transfer->enregistrerDansLaCarte(program), TransferResult::Done);
  ASSERT_TRUE(port.Active()) << "the port stays open between transfers";

  // The cable is pulled while nothing runs: the port notices and closes itself.
  server->hangUp();
  ASSERT_TRUE(loop.PumpUntil([&] { return !port.Active(); }, std::chrono::milliseconds(3000)));
  EXPECT_TRUE(dialogs.shown.size() == 1 && dialogs.shown[0] == msg::kUploadDone) << "nothing is shown while idle";
  stopBoard();
  std::filesystem::remove(line);

  // Nothing is there any more: the port cannot open.
  dialogs.shown.clear();
  EXPECT_EQ(transfer->enregistrerDansLaCarte(program), TransferResult::PortUnavailable);
  EXPECT_EQ(dialogs.shown, std::vector<std::string>{msg::portUnavailable(line.string(),
                                                                          "fichier ou périphérique introuvable")});
  EXPECT_FALSE(cursor.busy);
  EXPECT_FALSE(transfer->busy());

  // The line is back: the same port object opens it and the download works.
  startBoard();
  std::filesystem::create_symlink(port.DeviceName(), line);
  port.SetDeviceName(line.string());
  dialogs.shown.clear();
  program.document.ProgramModified = false;
  EXPECT_EQ(transfer->chargerDepuisLaCarte(program), TransferResult::Done);
  EXPECT_TRUE(dialogs.shown.empty());
  EXPECT_FALSE(program.document.ProgramModified);
}

TEST_F(TransferTest, TransferEndedWhileABoardReplyIsHandedOverIsSafe) {
  startBoard();
  port.SetActive(true);
  port.WriteText("LL1\r");
  // The port's event thread now waits for the main loop to take the reply.
  ASSERT_TRUE(loop.WaitForCall(std::chrono::milliseconds(2000)));
  const long long ms = timed([&] { transfer.reset(); });
  EXPECT_LT(ms, 500) << "removing the handler must not wait for the main loop";
  loop.Pump();  // what was handed over must not reach the ended transfer

  // A new transfer on the same port works.
  transfer = std::make_unique<BoardTransfer>(port, pump, clock, dialogs, cursor);
  program.document.ProgramModified = false;
  EXPECT_EQ(transfer->chargerDepuisLaCarte(program), TransferResult::Done);
  EXPECT_TRUE(dialogs.shown.empty());
}

}  // namespace
}  // namespace velkor
