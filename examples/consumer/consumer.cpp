// Writes a one-line card with the installed library: consumer [path]
#include <KwvCard.h>

#include <string>

int main(int argc, char** argv) {
  std::string path = argc > 1 ? argv[1] : "consumer.vcf";
  char tel[] = "+1-555-0100";
  KwvCard card(path.data());
  const int written = card.QEL_AddTel(tel);
  card.QEL_EndPacking();
  return written == 22 ? 0 : 1;  // TEL;WORK:+1-555-0100 CR LF
}
