// The whole-process attachment figure's program, as a user's would be: links
// the library, writes a card with the photo at MEDIA, and exits. It is built
// without exceptions and linked --as-needed, as a program that has no use for
// the C++ runtime can be.
//
//   attach_card CARD MEDIA    writes the card; status 0 when the photo is in it
//   attach_card               starts and exits at once (the empty run)
//
// After writing the card it prints its peak resident set ("VmHWM: <n> kB"),
// read from /proc: unlike getrusage's, it does not count the process it was
// started from.
#include <cstdio>
#include <cstring>

#include "KwvCard.h"

int main(int argc, char** argv) {
  if (argc < 3) return 0;
  KwvCard card(argv[1]);
  char type[] = "jpeg";
  const int attached = card.QEL_AttachPhoto(argv[2], type);
  card.QEL_EndPacking();
  if (std::FILE* status = std::fopen("/proc/self/status", "r")) {
    char line[256];
    while (std::fgets(line, sizeof line, status)) {
      if (std::strncmp(line, "VmHWM:", 6) == 0) std::fputs(line, stdout);
    }
    std::fclose(status);
  }
  return attached == 1 ? 0 : 1;
}
