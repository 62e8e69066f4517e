// End to end: the serial component and velkor-board's emulator on a
// pseudo-terminal, for what only the real line shows (the port's own
// failures, its event thread, a line that goes away). The protocol's rules
// and times are checked in virtual time (protocol_test.cpp).
#include "board/board_messages.h"
#include "image/messages.h"
#include "support/temp_dir.h"
#include "transfer_fixture.h"

namespace velkor {
namespace {

using testing_support::TransferTest;

TEST_F(TransferTest, UploadThenDownloadIsByteExact) {
  startBoard();
  testing_support::makeRichProgram(program);
  const ProgramImages sent = program.images;
  ASSERT_NE(sent[2].find('\n'), std::string::npos);

  EXPECT_EQ(upload(program), TransferResult::Done);
  EXPECT_EQ(dialogs.shown, std::vector<std::string>{std::string(msg::kUploadDone)});
  EXPECT_FALSE(cursor.busy);
  EXPECT_TRUE(port.Active()) << "the port stays open";

  Program other;
  other.initialiserPages();
  EXPECT_EQ(download(other), TransferResult::Done);
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
  transfer = std::make_unique<BoardTransfer>(port, pump, clock, cursor);
  EXPECT_EQ(upload(program), TransferResult::PortUnavailable);
  EXPECT_EQ(download(program), TransferResult::PortUnavailable);
  EXPECT_FALSE(testing_support::checkPort(*transfer, dialogs));
  EXPECT_EQ(dialogs.shown, std::vector<std::string>(3, "Port COM occupé ou inexistant !\r\r"
                                                        "/dev/velkor-no-such-port : fichier ou périphérique introuvable"));
  EXPECT_EQ(dialogs.beeps, 3);
  EXPECT_FALSE(cursor.busy);

  // A COM name: the device it stands for is named too.
  setenv("VELKOR_COM2", "/dev/velkor-no-such-port", 1);
  port.SetDeviceName("COM2");
  EXPECT_FALSE(testing_support::checkPort(*transfer, dialogs));
  EXPECT_EQ(dialogs.shown.back(), "Port COM occupé ou inexistant !\r\r"
                                  "COM2 (/dev/velkor-no-such-port) : fichier ou périphérique introuvable");
}

TEST_F(TransferTest, PortInUseIsSaidToBeBusy) {
  startBoard();
  TComPort other{nullptr};
  other.SetDeviceName(port.DeviceName());
  other.SetActive(true);
  EXPECT_FALSE(testing_support::checkPort(*transfer, dialogs));
  EXPECT_EQ(dialogs.shown, std::vector<std::string>{"Port COM occupé ou inexistant !\r\r" + port.DeviceName() +
                                                    " : périphérique occupé"});
}

TEST_F(TransferTest, PortCheckOpensAndClosesAGoodPort) {
  startBoard();
  EXPECT_TRUE(testing_support::checkPort(*transfer, dialogs));
  EXPECT_FALSE(port.Active());
  EXPECT_TRUE(dialogs.shown.empty());
}

// The line goes dead after three lines of an upload (other cases are
// protocol_test.cpp's, in virtual time).
TEST_F(TransferTest, HangUpEndsTheUploadAndTheNextOneReopens) {
  startBoard({.hangUpAfterLines = 3});
  TransferResult result{};
  const long long ms = timed([&] {
    try {
      result = upload(program);
    } catch (const std::exception& e) {
      result = TransferResult::NoCommunication;  // a port failure reported by the window
      dialogs.shown.emplace_back(e.what());
    }
  });
  EXPECT_EQ(result, TransferResult::NoCommunication);
  EXPECT_FALSE(cursor.busy);
  EXPECT_FALSE(transfer->busy());
  EXPECT_LT(ms, 100 + 4 * 600 + 4000 + 300);
  ASSERT_EQ(dialogs.shown.size(), 1u) << "the user is told";
  // Whether the line went silent or the port failed, the board's contents
  // are told; the echo of the last line it took may go down with the line.
  const std::string& told = dialogs.shown.back();
  EXPECT_TRUE(told.find(msg::boardHolds(3)) != std::string::npos ||
              told.find(msg::boardHolds(2)) != std::string::npos)
      << told;

  // Another board on another line: the same port object works again.
  port.SetActive(false);
  stopBoard();
  dialogs.shown.clear();
  startBoard();
  EXPECT_EQ(upload(program), TransferResult::Done);
}

TEST_F(TransferTest, LineGoneWhileIdleClosesThePortAndTheNextTransferSaysSo) {
  // The port opens the line through a link of ours: once the line is gone the
  // name leads nowhere, even if another test takes the freed pseudo-terminal.
  testing_support::TempDir dir;
  const std::filesystem::path line = dir / "line";
  startBoard();
  std::filesystem::create_symlink(port.DeviceName(), line);
  port.SetDeviceName(line.string());
  ASSERT_EQ(upload(program), TransferResult::Done);
  ASSERT_TRUE(port.Active()) << "the port stays open between transfers";

  // The cable is pulled while nothing runs: the port notices and closes itself.
  emulated.server->hangUp();
  ASSERT_TRUE(loop.PumpUntil([&] { return !port.Active(); }, std::chrono::milliseconds(3000)));
  EXPECT_TRUE(dialogs.shown.size() == 1 && dialogs.shown[0] == msg::kUploadDone) << "nothing is shown while idle";
  stopBoard();
  std::filesystem::remove(line);

  // Nothing is there any more: the port cannot open.
  dialogs.shown.clear();
  EXPECT_EQ(upload(program), TransferResult::PortUnavailable);
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
  EXPECT_EQ(download(program), TransferResult::Done);
  EXPECT_EQ(dialogs.shown, std::vector<std::string>{std::string(msg::kDownloadDone)});
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
  transfer = std::make_unique<BoardTransfer>(port, pump, clock, cursor);
  program.document.ProgramModified = false;
  EXPECT_EQ(download(program), TransferResult::Done);
  EXPECT_EQ(dialogs.shown, std::vector<std::string>{std::string(msg::kDownloadDone)});
}

}  // namespace
}  // namespace velkor
