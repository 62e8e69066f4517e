// Under wine, the serial component on a pseudo-terminal whose far end is
// driven by wine_pty_check.py. wine completes every WaitCommEvent there at
// once with no event bits: the event thread must neither spin nor lose data.
#include <chrono>
#include <cstdio>
#include <string>

#include "comport/ComPort.h"

namespace {

using namespace velkor;
using Clock = std::chrono::steady_clock;

struct Receiver : TObject {
  TComPort* port = nullptr;
  std::string received;
  void RxChar(TObject*) {
    std::string text;
    port->ReadText(text);
    received += text;
  }
};

int fail(const char* what) {
  std::fprintf(stderr, "wine_pty_check: %s\n", what);
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) return fail("usage: wine_pty_check PORT");
  TMainLoop loop;
  TComPort port(nullptr);
  Receiver receiver;
  receiver.port = &port;
  port.SetDeviceName(argv[1]);
  port.SetBaudRate(br38400);
  port.SetDataBits(db8);
  port.SetParity(paNone);
  port.SetStopBits(sb1);
  try {
    port.Open();
    port.SetOnRxChar(TNotifyEvent(&receiver, &Receiver::RxChar));
    port.WriteText("LL1\r");
    port.CompleteWrite();
  } catch (const std::exception& e) {
    return fail(e.what());
  }

  // Idle, the far end silent until we say we are done.
  std::printf("idle\n");
  std::fflush(stdout);
  const std::uint32_t waitsBefore = port.EventWaitCount();
  loop.PumpUntil([] { return false; }, std::chrono::milliseconds(1500));
  const std::uint32_t waits = port.EventWaitCount() - waitsBefore;
  std::printf("idle done\n");
  std::fflush(stdout);
  // wine ends each wait at once with no bits: resting up to 100 ms between
  // waits makes about 20 of them in 1.5 s, where a thread that does not rest
  // makes hundreds.
  std::fprintf(stderr, "event waits while idle for 1.5 s: %u\n", static_cast<unsigned>(waits));
  if (waits > 50) return fail("the event thread does not rest after empty waits");

  // The far end answers once it has read our line (after the idle phase).
  if (!loop.PumpUntil([&] { return receiver.received.find('\r') != std::string::npos; },
                      std::chrono::seconds(10)))
    return fail(("no answer; received so far: " + receiver.received).c_str());
  std::printf("received: %s\n", receiver.received.substr(0, receiver.received.find('\r')).c_str());
  if (receiver.received != "VELKOR\r") return fail("wrong answer");

  const auto closing = Clock::now();
  port.Close();
  const auto closeMs = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - closing).count();
  std::printf("closed in %lld ms\n", static_cast<long long>(closeMs));
  if (closeMs > 1000) return fail("closing waited for the event thread's rest");
  return 0;
}
