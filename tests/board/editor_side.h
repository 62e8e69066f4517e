// What the editor does around a transfer, for the protocol's tests: the
// images of the pages sent, the board's put on the pages once all arrived,
// and what the transfer says told to the user.
#pragma once

#include "board/board_transfer.h"
#include "image/program.h"

namespace velkor::testing_support {

inline TransferResult uploadProgram(BoardTransfer& transfer, UserDialogs& dialogs, Program& program) {
  program.construireImages();
  const TransferReport sent = transfer.enregistrerDansLaCarte(program.images);
  sent.tell(dialogs);
  return sent.result;
}

inline TransferResult downloadProgram(BoardTransfer& transfer, UserDialogs& dialogs, Program& program) {
  const TransferReport read = transfer.chargerDepuisLaCarte();
  if (read.done()) program.load(read.images);
  read.tell(dialogs);
  return read.result;
}

// "Vérifier la carte" and velkor-cli: `images` become the board's once all arrived.
inline TransferResult readBoard(BoardTransfer& transfer, UserDialogs& dialogs, ProgramImages& images) {
  const TransferReport read = transfer.lireLaCarte();
  if (read.done()) images = read.images;
  read.tell(dialogs);
  return read.result;
}

inline bool checkPort(BoardTransfer& transfer, UserDialogs& dialogs) {
  const TransferReport check = transfer.testerPort();
  check.tell(dialogs);
  return check.done();
}

}  // namespace velkor::testing_support
