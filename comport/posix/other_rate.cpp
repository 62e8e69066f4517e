// Rates without a termios constant (31250, 2000, 15625...) go through the
// kernel's termios2 with BOTHER. Its header clashes with <termios.h>, hence
// this file of its own.
#include <asm/ioctls.h>
#include <asm/termbits.h>

#include <cerrno>

extern "C" int ioctl(int fd, unsigned long request, ...);

namespace velkor::posix {

int SetOtherRate(int fd, unsigned rate) {
  termios2 t{};
  if (ioctl(fd, TCGETS2, &t) != 0) return errno;
  t.c_cflag &= ~static_cast<tcflag_t>(CBAUD | (CBAUD << IBSHIFT));
  t.c_cflag |= BOTHER | (BOTHER << IBSHIFT);
  t.c_ispeed = rate;
  t.c_ospeed = rate;
  return ioctl(fd, TCSETS2, &t) == 0 ? 0 : errno;
}

int GetOtherRate(int fd, unsigned* rate) {
  termios2 t{};
  if (ioctl(fd, TCGETS2, &t) != 0) return errno;
  *rate = t.c_ospeed;
  return 0;
}

}  // namespace velkor::posix
