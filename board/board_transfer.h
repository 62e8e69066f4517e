// Upload and download of the program images over the serial line, and the
// port check.
//
// Upload: after opening the port and a 100 ms pause, each image goes out as
// "PL" n image CR (logic outputs) or "PA" n image CR (analog outputs); after
// 600 ms the board's echo must match the line, both trimmed of bytes
// 0x00-0x20 at either end, within 4000 ms more. Download: each image is
// asked for with "LL" n CR or "LA" n CR; after 500 ms the reply must start
// within 2000 ms with a condition code (1-11) and be, within that time, the
// whole image followed by CR LF, CR or LF, holding only bytes the editor
// writes; one that can no longer be so ends the wait at once. The fixed
// pauses handle no events; the waits after them do, which is where received
// bytes reach `reception`; what is judged is what arrived within the wait's
// limit. The port stays open between transfers.
// While it runs, a transfer tells which output it is at and may be asked to
// stop: it then ends after the line in progress.
//
// A transfer works on images only: it says what happened and what the user
// is to be told, and hands back what it read; what becomes of the pages is
// the caller's to decide (the editor, velkor-cli).
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "board/transfer_port.h"
#include "board/transfer_seams.h"
#include "image/program_images.h"
#include "image/user_dialogs.h"

namespace velkor {

enum class TransferResult {
  Done,
  Busy,                  // another transfer is running
  PortUnavailable,       // the port could not be opened
  NoCommunication,       // no (whole, matching) answer in time
  NoProgram,             // the board holds no program
  Interrupted,           // the user stopped it after a line
};

// What a transfer did.
struct TransferReport {
  TransferResult result = TransferResult::Done;
  // What a read brought back: the images that arrived, from SL1 on, the
  // others empty; all eleven when Done.
  ProgramImages images;
  // What the user is told, in French (empty: nothing), and whether the beep
  // comes with it (or alone, for a transfer refused).
  std::string message;
  bool beep = false;

  bool done() const { return result == TransferResult::Done; }
  // The beep, then the message, as the transfer's last word.
  void tell(UserDialogs& dialogs) const;
};

// Where a transfer stands, told before each output is sent or read.
struct TransferStep {
  bool upload = true;
  int page = 1;               // the output now sent or read (1-11)
  int done = 0;               // outputs already through
  std::uint32_t msLeft = 0;   // the fixed pauses still ahead, this output's included
};

class BoardTransfer {
 public:
  BoardTransfer(TCustomComPort& rs232, EventPump& pump, TickClock& clock, BusyCursor& cursor);
  BoardTransfer(TransferPort& rs232, EventPump& pump, TickClock& clock, BusyCursor& cursor);
  ~BoardTransfer();
  BoardTransfer(const BoardTransfer&) = delete;
  BoardTransfer& operator=(const BoardTransfer&) = delete;

  // "Enregistrer dans la carte": sends `images` as they are when it starts.
  // A failure also says what came back and which outputs the board now
  // holds. A port failure once the port is open is raised again as an
  // EComError whose message names the port, in French, with the same account
  // of the board.
  TransferReport enregistrerDansLaCarte(const ProgramImages& images);
  // "Charger depuis la carte": reads the board's eleven images, for the
  // pages. A failure says what came back for the output it stopped at, and
  // that the board and the pages are as they were.
  TransferReport chargerDepuisLaCarte();
  // Reads the board's eleven images as a download does, for a comparison or
  // a file ("Vérifier la carte", velkor-cli): a failure says that the board
  // is as it was; all eleven arrived, nothing is said.
  TransferReport lireLaCarte();
  // Opens and closes the port once; says so when it cannot be opened.
  TransferReport testerPort();

  // True while a transfer runs: nothing else may use the port.
  bool busy() const { return busy_; }

  // Told before each output is sent or asked for ("SL1" ... "SA4").
  std::function<void(const TransferStep& step)> onProgress;
  // Asks the running transfer to stop once the line in progress is through.
  // An upload then says which outputs the board holds; a download changes
  // nothing. Forgotten when the next transfer starts.
  void interrompre() { stopAsked_ = true; }
  // Told when a transfer starts (true) and when it has ended (false).
  std::function<void(bool running)> onBusyChanged;

  // The port's received-data handler.
  void rs232RxChar(TObject* Sender);

  // What came back for the line in progress; the transfer empties it before
  // each line.
  std::string reception;

 private:
  // Empty when the port is open, else what the user is told.
  std::string openPort();
  [[noreturn]] void rethrowNamingThePort(const EComError& e, std::string_view more);
  // False after the time-out, `failure` then saying what came back.
  bool attendreEcho(const std::string& line, int page, std::string& failure);
  // A failure says what came back and, below, `kept`: what is as it was.
  TransferReport downloadImage(int page, std::string& image, std::string_view kept);
  // The eleven images into the report, entry by entry as they arrive.
  TransferReport readAll(std::string_view kept);
  void tell(bool upload, int page);
  // Handles events until `done` holds for what had arrived (true), or until
  // more than `limit` ms have passed since `start` (false). `done` sees only
  // the bytes read within the limit: a modal window opened meanwhile holds
  // the loop, not the line, and what came in time is judged as such however
  // late the loop comes back to look.
  bool waitUntil(std::uint32_t start, std::uint32_t limit, const std::function<bool(std::string_view)>& done);
  void emptyReception();

  class Session;

  std::unique_ptr<TransferPort> ownPort_;  // the serial component's, when given one
  TransferPort& rs232_;
  EventPump& pump_;
  TickClock& clock_;
  BusyCursor& cursor_;
  bool busy_ = false;
  // The running wait, and how many bytes of `reception` were read within it.
  bool waiting_ = false;
  std::uint32_t waitStart_ = 0;
  std::uint32_t waitLimit_ = 0;
  std::size_t inTime_ = 0;
  bool stopAsked_ = false;
};

}  // namespace velkor
