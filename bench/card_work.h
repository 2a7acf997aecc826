// The cards the card benchmarks write, each with its baseline: the same bytes
// written ready-made (or composed by snprintf) through plain stdio. Shared by
// card_bench (Google Benchmark) and card_stream (a plain program that also runs
// on the ARM targets under qemu).
#ifndef KWVCARD_BENCH_CARD_WORK_H
#define KWVCARD_BENCH_CARD_WORK_H

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

#include "KwvCard.h"

namespace kwvbench {

inline std::string read_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// A typical card: N, ORG, two typed TEL, EMAIL, TITLE, ADR and BDAY. The API
// takes writable text: the values are kept in arrays.
struct TypicalCard {
  char two[2] = "2", three[2] = "3", seven[2] = "7";
  char family[4] = "Doe", given[5] = "John";
  char company[13] = "Example Corp", division[9] = "Research", unit[9] = "Contacts";
  char empty[1] = "", street[14] = "1 Main Street", city[12] = "Springfield", region[3] = "IL",
       code[6] = "62701", country[4] = "USA";
  char work_phone[16] = "+1-217-555-0100", cell_phone[16] = "+1-217-555-0199";
  char cell[5] = "cell", work[5] = "work";
  char email[21] = "john.doe@example.org", title[16] = "Senior Engineer";

  // The same card's lines, ready-made.
  static constexpr const char* kLines[] = {
      "BEGIN:VCARD\r\n",
      "VERSION:2.1\r\n",
      "N;CHARSET=UTF-8:Doe;John\r\n",
      "ORG;CHARSET=UTF-8:Example Corp;Research;Contacts\r\n",
      "TEL;WORK:+1-217-555-0100\r\n",
      "TEL;CELL:+1-217-555-0199\r\n",
      "EMAIL;CHARSET=UTF-8;INTERNET:john.doe@example.org\r\n",
      "TITLE;CHARSET=UTF-8:Senior Engineer\r\n",
      "ADR;CHARSET=UTF-8;WORK:;;1 Main Street;Springfield;IL;62701;USA\r\n",
      "BDAY:1980-03-07\r\n",
      "END:VCARD\r\n"};

  void write(char* path) {
    KwvCard card(path);
    card.QEL_AddName(two, family, given);
    card.QEL_AddOrg(three, company, division, unit);
    card.QEL_AddTel(work_phone);
    card.QEL_SetTelType(cell);
    card.QEL_ResetTelType(work);
    card.QEL_AddTel(cell_phone);
    card.QEL_AddEmail(email);
    card.QEL_AddTitle(title);
    card.QEL_AddAddress(seven, empty, empty, street, city, region, code, country);
    card.QEL_AddBday(7, 3, 1980);
    card.QEL_EndPacking();
  }

  // Baseline: fopen, one fwrite per ready-made line, fclose.
  static void write_ready_made(const char* path) {
    std::FILE* f = std::fopen(path, "wb");
    for (const char* line : kLines) std::fwrite(line, 1, std::char_traits<char>::length(line), f);
    std::fclose(f);
  }
};

// A card of `lines` TITLE lines with the value `title`: a growing file.
inline void write_title_card(char* path, char* title, int lines) {
  KwvCard card(path);
  for (int i = 0; i < lines; ++i) card.QEL_AddTitle(title);
  card.QEL_EndPacking();
}

// Baseline: the same file through fopen, snprintf and fwrite per line, fclose.
inline void write_title_lines(const char* path, const char* title, int lines) {
  const char* charset = "UTF-8";
  std::FILE* f = std::fopen(path, "wb");
  std::fputs("BEGIN:VCARD\r\nVERSION:2.1\r\n", f);
  for (int i = 0; i < lines; ++i) {
    char line[800];
    const int n = std::snprintf(line, sizeof line, "TITLE;CHARSET=%s:%s\r\n", charset, title);
    std::fwrite(line, 1, static_cast<std::size_t>(n), f);
  }
  std::fputs("END:VCARD\r\n", f);
  std::fclose(f);
}

}  // namespace kwvbench

#endif
