#include "board/board_transfer.h"

#include "board/board_messages.h"
#include "board/reply_rules.h"
#include "image/system_errors.h"

#include <utility>

namespace velkor {
namespace {

constexpr std::uint32_t kAfterOpenMs = 100;
constexpr std::uint32_t kAfterLineMs = 600;
constexpr std::uint32_t kEchoLimitMs = 4000;
constexpr std::uint32_t kAfterRequestMs = 500;
constexpr std::uint32_t kReplyLimitMs = 2000;
// How long the LF of a reply that ended with CR may take to follow it. A
// board that ends its replies with CR alone costs this much per output; a
// late LF that misses it leads the next reply, which then reads past it.
constexpr std::uint32_t kLineFeedGraceMs = 50;

// "PL1", "PA4", "LL7", "LA2": the command for a page.
std::string command(char verb, int page) {
  return isLogicPage(page) ? std::string{verb, 'L', static_cast<char>('0' + page)}
                           : std::string{verb, 'A', static_cast<char>('0' + analogOutputOf(page))};
}

// How a transfer ended and what the user is told, with the beep or without.
TransferReport told(TransferResult result, std::string message, bool beep = true) {
  TransferReport report;
  report.result = result;
  report.message = std::move(message);
  report.beep = beep;
  return report;
}

}  // namespace

std::uint32_t SystemTickClock::GetTickCount() {
  using namespace std::chrono;
  return static_cast<std::uint32_t>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

void SystemTickClock::attendre(std::uint32_t milliseconds) {
  std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

void TransferReport::tell(UserDialogs& dialogs) const {
  if (beep) dialogs.beep();
  if (!message.empty()) dialogs.showMessage(message);
}

// A transfer in progress: the busy cursor shows and other transfers are
// refused until it ends, by whatever path.
class BoardTransfer::Session {
 public:
  explicit Session(BoardTransfer& t) : t_(t) {
    t_.busy_ = true;
    t_.stopAsked_ = false;
    if (t_.onBusyChanged) t_.onBusyChanged(true);
    t_.cursor_.showBusy();
  }
  ~Session() {
    t_.cursor_.showNormal();
    t_.busy_ = false;
    if (t_.onBusyChanged) t_.onBusyChanged(false);
  }
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

 private:
  BoardTransfer& t_;
};

BoardTransfer::BoardTransfer(TCustomComPort& rs232, EventPump& pump, TickClock& clock, BusyCursor& cursor)
    : ownPort_(std::make_unique<ComPortLine>(rs232)), rs232_(*ownPort_), pump_(pump), clock_(clock),
      cursor_(cursor) {
  rs232_.SetOnRxChar(Bind(this, &BoardTransfer::rs232RxChar));
}

BoardTransfer::BoardTransfer(TransferPort& rs232, EventPump& pump, TickClock& clock, BusyCursor& cursor)
    : rs232_(rs232), pump_(pump), clock_(clock), cursor_(cursor) {
  rs232_.SetOnRxChar(Bind(this, &BoardTransfer::rs232RxChar));
}

BoardTransfer::~BoardTransfer() {
  try {
    rs232_.SetOnRxChar({});
  } catch (...) {
    // The port may refuse a new event mask on a dead line; it closes anyway.
  }
}

void BoardTransfer::rs232RxChar(TObject*) {
  std::string text;
  rs232_.ReadText(text);
  reception += text;
  if (!waiting_ || clock_.GetTickCount() - waitStart_ <= waitLimit_) inTime_ = reception.size();
}

void BoardTransfer::emptyReception() {
  reception.clear();
  inTime_ = 0;
}

std::string BoardTransfer::openPort() {
  try {
    rs232_.SetActive(true);
    return {};
  } catch (const EComError& e) {
    return msg::portUnavailable(rs232_.Label(), systemErrorText(e.WinError, e.what()));
  } catch (...) {  // the silent abort an error handler chose
    return msg::portUnavailable(rs232_.Label(), {});
  }
}

void BoardTransfer::rethrowNamingThePort(const EComError& e, std::string_view more) {
  std::string text = rs232_.Label() + " : " + systemErrorText(e.WinError, e.what());
  if (!more.empty()) text += "\r\r" + std::string(more);
  throw EComError(e.WinError, text);
}

bool BoardTransfer::waitUntil(std::uint32_t start, std::uint32_t limit,
                              const std::function<bool(std::string_view)>& done) {
  waitStart_ = start;
  waitLimit_ = limit;
  waiting_ = true;
  struct Over {
    bool& waiting;
    ~Over() { waiting = false; }
  } over{waiting_};
  for (;;) {
    if (done(std::string_view(reception).substr(0, inTime_))) return true;
    const std::uint32_t elapsed = clock_.GetTickCount() - start;
    if (elapsed > limit) return false;
    pump_.processEvents(std::chrono::milliseconds(limit - elapsed + 1));
  }
}

bool BoardTransfer::attendreEcho(const std::string& line, int page, std::string& failure) {
  std::string_view got;
  if (waitUntil(clock_.GetTickCount(), kEchoLimitMs, [&](std::string_view arrived) {
        got = arrived;
        return echoMatches(arrived, line);
      }))
    return true;
  // Below the usual check-list: what came back, and what the board now holds.
  failure = std::string(msg::kCheckList) + "\r\r" + msg::echoFault(echoFault(got, line), page) + "\r" +
            msg::boardHolds(page - 1);
  return false;
}

void BoardTransfer::tell(bool upload, int page) {
  if (!onProgress) return;
  const std::uint32_t pause = upload ? kAfterLineMs : kAfterRequestMs;
  onProgress({upload, page, page - 1, static_cast<std::uint32_t>(kPageCount - page + 1) * pause});
}

TransferReport BoardTransfer::enregistrerDansLaCarte(const ProgramImages& images) {
  if (busy_) return told(TransferResult::Busy, {});
  Session session(*this);
  // What goes out is the program as it stood when the command started.
  const ProgramImages sent = images;
  if (std::string refused = openPort(); !refused.empty())
    return told(TransferResult::PortUnavailable, std::move(refused));
  clock_.attendre(kAfterOpenMs);

  for (int page = 1; page <= kPageCount; ++page) {
    if (stopAsked_)
      return told(TransferResult::Interrupted,
                  std::string(msg::kUploadInterrupted) + "\r\r" + msg::boardHoldsAfterStop(page - 1), false);
    tell(true, page);
    emptyReception();
    const std::string line = command('P', page) + sent[page] + "\r";
    try {
      rs232_.WriteText(line);
      clock_.attendre(kAfterLineMs);
      std::string fault;
      if (!attendreEcho(line, page, fault)) return told(TransferResult::NoCommunication, std::move(fault));
    } catch (const EComError& e) {
      rethrowNamingThePort(e, msg::boardHolds(page - 1));
    }
  }
  return told(TransferResult::Done, std::string(msg::kUploadDone));
}

TransferReport BoardTransfer::downloadImage(int page, std::string& image, std::string_view kept) {
  emptyReception();
  rs232_.DiscardInput();
  rs232_.DiscardOutput();
  rs232_.WriteText(command('L', page) + "\r");
  clock_.attendre(kAfterRequestMs);

  ReplyReading reply;
  std::string_view got;
  waitUntil(clock_.GetTickCount(), kReplyLimitMs, [&](std::string_view arrived) {
    got = arrived;
    reply = readReply(arrived, page);
    return reply.verdict != ReplyVerdict::Silent && reply.verdict != ReplyVerdict::Partial;
  });

  const ReplyVerdict verdict = reply.verdict;
  if (verdict == ReplyVerdict::Complete) {
    image = replyImage(got, page);
    if (lineFeedMayFollow(got, page)) {
      const std::size_t had = got.size();
      waitUntil(clock_.GetTickCount(), kLineFeedGraceMs,
                [&](std::string_view arrived) { return arrived.size() > had; });
    }
    return {};
  }
  // The usual message, and below it what came back and what is as it was.
  const std::string account = "\r\r" + msg::replyFault(reply, page) + "\r" + std::string(kept);
  if (verdict == ReplyVerdict::Refused && isLogicPage(page))
    return told(TransferResult::NoProgram, std::string(msg::kNoProgramInBoard) + account);
  if (verdict == ReplyVerdict::Silent && isAnalogPage(page))
    return told(TransferResult::NoCommunication, std::string(msg::kNoCommunication) + account);
  // Silent, cut short, garbled, or refused on an analog output.
  return told(TransferResult::NoCommunication, std::string(msg::kCheckList) + account);
}

TransferReport BoardTransfer::readAll(std::string_view kept) {
  if (busy_) return told(TransferResult::Busy, {});
  Session session(*this);
  if (std::string refused = openPort(); !refused.empty())
    return told(TransferResult::PortUnavailable, std::move(refused));
  clock_.attendre(kAfterOpenMs);
  TransferReport read;
  for (int page = 1; page <= kPageCount; ++page) {
    if (stopAsked_) {
      read.result = TransferResult::Interrupted;
      return read;
    }
    tell(false, page);
    TransferReport outcome;
    try {
      outcome = downloadImage(page, read.images[page], kept);
    } catch (const EComError& e) {
      rethrowNamingThePort(e, msg::readStoppedAt(page) + "\r" + std::string(kept));
    }
    if (!outcome.done()) {
      outcome.images = std::move(read.images);
      return outcome;
    }
  }
  return read;
}

TransferReport BoardTransfer::chargerDepuisLaCarte() {
  TransferReport read = readAll(msg::kBoardAndPagesUnchanged);
  if (read.done()) {
    read.message = msg::kDownloadDone;
    read.beep = true;
  }
  return read;
}

TransferReport BoardTransfer::lireLaCarte() { return readAll(msg::kBoardUnchanged); }

TransferReport BoardTransfer::testerPort() {
  std::string refused = openPort();
  rs232_.SetActive(false);
  if (refused.empty()) return {};
  return told(TransferResult::PortUnavailable, std::move(refused));
}

}  // namespace velkor
