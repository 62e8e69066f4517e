#include "board/board_transfer.h"

#include "board/board_messages.h"
#include "board/reply_rules.h"
#include "image/messages.h"
#include "image/system_errors.h"

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

}  // namespace

std::uint32_t SystemTickClock::GetTickCount() {
  using namespace std::chrono;
  return static_cast<std::uint32_t>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

void SystemTickClock::attendre(std::uint32_t milliseconds) {
  std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

// A transfer in progress: the busy cursor shows and other transfers are
// refused until it ends, by whatever path.
class BoardTransfer::Session {
 public:
  explicit Session(BoardTransfer& t) : t_(t) {
    t_.busy_ = true;
    t_.stopAsked_ = false;
    if (t_.onBusyChanged) t_.onBusyChanged(true);
    t_.cursorBusy_ = true;
    t_.cursor_.showBusy();
  }
  ~Session() {
    t_.restoreCursor();
    t_.busy_ = false;
    if (t_.onBusyChanged) t_.onBusyChanged(false);
  }
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

 private:
  BoardTransfer& t_;
};

BoardTransfer::BoardTransfer(TCustomComPort& rs232, EventPump& pump, TickClock& clock, UserDialogs& dialogs,
                             BusyCursor& cursor)
    : ownPort_(std::make_unique<ComPortLine>(rs232)), rs232_(*ownPort_), pump_(pump), clock_(clock),
      dialogs_(dialogs), cursor_(cursor) {
  rs232_.SetOnRxChar(Bind(this, &BoardTransfer::rs232RxChar));
}

BoardTransfer::BoardTransfer(TransferPort& rs232, EventPump& pump, TickClock& clock, UserDialogs& dialogs,
                             BusyCursor& cursor)
    : rs232_(rs232), pump_(pump), clock_(clock), dialogs_(dialogs), cursor_(cursor) {
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

void BoardTransfer::restoreCursor() {
  if (!cursorBusy_) return;
  cursorBusy_ = false;
  cursor_.showNormal();
}

void BoardTransfer::fail(std::string_view message) {
  restoreCursor();
  dialogs_.beep();
  dialogs_.showMessage(message);
}

bool BoardTransfer::openPort() {
  try {
    rs232_.SetActive(true);
    return true;
  } catch (const EComError& e) {
    fail(msg::portUnavailable(rs232_.Label(), systemErrorText(e.WinError, e.what())));
    return false;
  } catch (...) {  // the silent abort an error handler chose
    fail(msg::portUnavailable(rs232_.Label(), {}));
    return false;
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

bool BoardTransfer::attendreEcho(const std::string& line, int page) {
  std::string_view got;
  if (waitUntil(clock_.GetTickCount(), kEchoLimitMs, [&](std::string_view arrived) {
        got = arrived;
        return echoMatches(arrived, line);
      }))
    return true;
  // Below the usual check-list: what came back, and what the board now holds.
  fail(std::string(msg::kCheckList) + "\r\r" + msg::echoFault(echoFault(got, line), page) + "\r" +
       msg::boardHolds(page - 1));
  return false;
}

void BoardTransfer::tell(bool upload, int page) {
  if (!onProgress) return;
  const std::uint32_t pause = upload ? kAfterLineMs : kAfterRequestMs;
  onProgress({upload, page, page - 1, static_cast<std::uint32_t>(kPageCount - page + 1) * pause});
}

TransferResult BoardTransfer::enregistrerDansLaCarte(Program& program) {
  if (busy_) {
    dialogs_.beep();
    return TransferResult::Busy;
  }
  Session session(*this);
  program.construireImages();
  // What goes out is the program as it stood when the command started.
  const ProgramImages images = program.images;
  if (!openPort()) return TransferResult::PortUnavailable;
  clock_.attendre(kAfterOpenMs);

  for (int page = 1; page <= kPageCount; ++page) {
    if (stopAsked_) {
      restoreCursor();
      dialogs_.showMessage(std::string(msg::kUploadInterrupted) + "\r\r" + msg::boardHoldsAfterStop(page - 1));
      return TransferResult::Interrupted;
    }
    tell(true, page);
    emptyReception();
    const std::string line = command('P', page) + images[page] + "\r";
    try {
      rs232_.WriteText(line);
      clock_.attendre(kAfterLineMs);
      if (!attendreEcho(line, page)) return TransferResult::NoCommunication;
    } catch (const EComError& e) {
      rethrowNamingThePort(e, msg::boardHolds(page - 1));
    }
  }
  restoreCursor();
  dialogs_.beep();
  dialogs_.showMessage(msg::kUploadDone);
  return TransferResult::Done;
}

TransferResult BoardTransfer::downloadImage(int page, std::string& image, std::string_view kept) {
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
    return TransferResult::Done;
  }
  // The usual message, and below it what came back and what is as it was.
  const std::string account = "\r\r" + msg::replyFault(reply, page) + "\r" + std::string(kept);
  if (verdict == ReplyVerdict::Refused && isLogicPage(page)) {
    fail(std::string(msg::kNoProgramInBoard) + account);
    return TransferResult::NoProgram;
  }
  if (verdict == ReplyVerdict::Silent && isAnalogPage(page)) {
    fail(std::string(msg::kNoCommunication) + account);
    return TransferResult::NoCommunication;
  }
  // Silent, cut short, garbled, or refused on an analog output.
  fail(std::string(msg::kCheckList) + account);
  return TransferResult::NoCommunication;
}

TransferResult BoardTransfer::readAll(ProgramImages& received, std::string_view kept) {
  if (!openPort()) return TransferResult::PortUnavailable;
  clock_.attendre(kAfterOpenMs);
  for (int page = 1; page <= kPageCount; ++page) {
    if (stopAsked_) return TransferResult::Interrupted;
    tell(false, page);
    TransferResult r = TransferResult::NoCommunication;
    try {
      r = downloadImage(page, received[page], kept);
    } catch (const EComError& e) {
      rethrowNamingThePort(e, msg::readStoppedAt(page) + "\r" + std::string(kept));
    }
    if (r != TransferResult::Done) return r;
  }
  return TransferResult::Done;
}

TransferResult BoardTransfer::chargerDepuisLaCarte(Program& program) {
  if (busy_) {
    dialogs_.beep();
    return TransferResult::Busy;
  }
  if (program.document.ProgramModified) {
    dialogs_.beep();
    if (!dialogs_.askOkCancel(msg::kAttentionTitle, msg::kLoseChangesContinue)) return TransferResult::Cancelled;
  }
  Session session(*this);
  ProgramImages received = program.images;
  const TransferResult r = readAll(received, msg::kBoardAndPagesUnchanged);
  if (r == TransferResult::Interrupted) return r;
  if (r != TransferResult::Done) {
    program.images = received;  // the images already received are kept; the pages stay as they were
    return r;
  }
  // Reset before decoding, as opening a file does: decoding stops at the end
  // of each chain, and what an earlier program left after it would otherwise
  // show, and be saved and uploaded, as part of the board's program.
  program.initialiserPages();
  program.images = received;
  program.chargerImages();
  restoreCursor();
  return TransferResult::Done;
}

TransferResult BoardTransfer::lireLaCarte(ProgramImages& images) {
  if (busy_) {
    dialogs_.beep();
    return TransferResult::Busy;
  }
  Session session(*this);
  ProgramImages received = images;
  const TransferResult r = readAll(received, msg::kBoardUnchanged);
  if (r == TransferResult::Done) images = received;
  return r;
}

bool BoardTransfer::testerPort() {
  const bool opened = openPort();
  rs232_.SetActive(false);
  return opened;
}

}  // namespace velkor
