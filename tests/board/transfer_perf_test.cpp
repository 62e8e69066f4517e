// What transfers cost on the real line: wall time over the fixed pauses, and
// the CPU of a transfer that waits for a silent board. Figures for make bench;
// left out of the sanitizer runs, which slow the line down.
#include "board/board_messages.h"
#include "image/messages.h"
#include "transfer_fixture.h"

namespace velkor {
namespace {

using testing_support::TransferTest;

constexpr long long kUploadPausesMs = 100 + 11 * 600;
constexpr long long kDownloadPausesMs = 100 + 11 * 500;

TEST_F(TransferTest, TransfersTakeTheirPausesAndLittleMore) {
  startBoard();
  testing_support::makeRichProgram(program);
  TransferResult result{};
  const long long uploadMs = timed([&] { result = upload(program); });
  EXPECT_EQ(result, TransferResult::Done);
  std::printf("upload: %lld ms, %lld ms over its pauses\n", uploadMs, uploadMs - kUploadPausesMs);
  EXPECT_GE(uploadMs, kUploadPausesMs);
  EXPECT_LT(uploadMs, kUploadPausesMs + 400);

  Program other;
  other.initialiserPages();
  const long long downloadMs = timed([&] { result = download(other); });
  EXPECT_EQ(result, TransferResult::Done);
  std::printf("download: %lld ms, %lld ms over its pauses\n", downloadMs, downloadMs - kDownloadPausesMs);
  EXPECT_GE(downloadMs, kDownloadPausesMs);
  EXPECT_LT(downloadMs, kDownloadPausesMs + 400);
}

TEST_F(TransferTest, SilentBoardFailsTheUploadCheaply) {
  startBoard({.silent = true});
  TransferResult result{};
  const double cpuBefore = testing_support::cpuSeconds();
  const long long ms = timed([&] { result = upload(program); });
  const double cpu = testing_support::cpuSeconds() - cpuBefore;
  std::printf("failed upload: %lld ms, %.3f s of CPU\n", ms, cpu);
  EXPECT_EQ(result, TransferResult::NoCommunication);
  EXPECT_EQ(dialogs.shown, std::vector<std::string>{std::string(msg::kCheckList) + "\r\r" +
                                                    msg::echoFault(EchoFault::Silence, 1) + "\r" + msg::boardHolds(0)});
  EXPECT_FALSE(cursor.busy);
  EXPECT_GE(ms, 100 + 600 + 4000);
  EXPECT_LT(ms, 100 + 600 + 4000 + 300);
  EXPECT_LT(cpu, 0.1);
}

}  // namespace
}  // namespace velkor
