// The whole-process attachment figure's program, as a user's would be: links
// the library, writes a card with the photo at MEDIA, and exits.
//
//   attach_card CARD MEDIA    writes the card; status 0 when the photo is in it
//   attach_card               starts and exits at once (the empty run)
#include "KwvCard.h"

int main(int argc, char** argv) {
  if (argc < 3) return 0;
  KwvCard card(argv[1]);
  char type[] = "jpeg";
  const int attached = card.QEL_AttachPhoto(argv[2], type);
  card.QEL_EndPacking();
  return attached == 1 ? 0 : 1;
}
