// The card writer against plain stdio doing the same work, paired in one run
// (see paired.h):
// - BM_TypicalCard: a typical card (N, ORG, two typed TEL, EMAIL, TITLE, ADR,
//   BDAY) written to a file on tmpfs, against fopen, one fwrite per line of the
//   same bytes, and fclose;
// - BM_TextLine/<bytes>: one TITLE line of that length (32 to 200 bytes, with the
//   default parameter ;CHARSET=UTF-8) on an open card, against
//   snprintf and fwrite of the same line;
// - BM_Gb2312Line: one Chinese TITLE line under charset GB2312, against one
//   iconv call on the composed line and fwrite;
// - BM_AttachPhoto/<bytes>: an inline photo on an open card, alone (MB/s), for
//   profiling; the whole-process figure is bench/run's.
// Text lines go to /dev/null on both sides, so that millions of them fill no
// file system; the typical card and the photos go to /dev/shm.
#include <benchmark/benchmark.h>
#include <iconv.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "KwvCard.h"
#include "paired.h"

namespace {

const std::string kShm = "/dev/shm/kwvcard-bench-";

std::string read_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The API takes writable text: a card's values, kept in arrays.
struct Contact {
  char two[2] = "2", three[2] = "3", seven[2] = "7";
  char family[4] = "Doe", given[5] = "John";
  char company[13] = "Example Corp", division[9] = "Research", unit[9] = "Contacts";
  char empty[1] = "", street[14] = "1 Main Street", city[12] = "Springfield", region[3] = "IL",
       code[6] = "62701", country[4] = "USA";
  char work_phone[16] = "+1-217-555-0100", cell_phone[16] = "+1-217-555-0199";
  char cell[5] = "cell", work[5] = "work";
  char email[21] = "john.doe@example.org", title[16] = "Senior Engineer";
};

void write_typical_card(char* path, Contact& c) {
  KwvCard card(path);
  card.QEL_AddName(c.two, c.family, c.given);
  card.QEL_AddOrg(c.three, c.company, c.division, c.unit);
  card.QEL_AddTel(c.work_phone);
  card.QEL_SetTelType(c.cell);
  card.QEL_ResetTelType(c.work);
  card.QEL_AddTel(c.cell_phone);
  card.QEL_AddEmail(c.email);
  card.QEL_AddTitle(c.title);
  card.QEL_AddAddress(c.seven, c.empty, c.empty, c.street, c.city, c.region, c.code, c.country);
  card.QEL_AddBday(7, 3, 1980);
  card.QEL_EndPacking();
}

void BM_TypicalCard(benchmark::State& state) {
  const std::vector<std::string> lines = {
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
  std::string ours_path = kShm + "card-ours.vcf", base_path = kShm + "card-base.vcf";
  Contact contact;
  auto ours = [&] { write_typical_card(ours_path.data(), contact); };
  auto baseline = [&] {
    std::FILE* f = std::fopen(base_path.c_str(), "wb");
    for (const std::string& line : lines) std::fwrite(line.data(), 1, line.size(), f);
    std::fclose(f);
  };
  kwvbench::paired(state, ours, baseline);
  if (read_file(ours_path) != read_file(base_path)) state.SkipWithError("the cards differ");
  std::remove(ours_path.c_str());
  std::remove(base_path.c_str());
}

void BM_TextLine(benchmark::State& state) {
  const std::size_t prefix = std::string("TITLE;CHARSET=UTF-8:\r\n").size();
  std::string title(static_cast<std::size_t>(state.range(0)) - prefix, 't');
  char path[] = "/dev/null";
  KwvCard card(path);
  std::FILE* f = std::fopen(path, "wb");
  const char* charset = "UTF-8";
  auto ours = [&] { benchmark::DoNotOptimize(card.QEL_AddTitle(title.data())); };
  auto baseline = [&] {
    char line[800];
    const int n =
        std::snprintf(line, sizeof line, "TITLE;CHARSET=%s:%s\r\n", charset, title.c_str());
    benchmark::DoNotOptimize(std::fwrite(line, 1, static_cast<std::size_t>(n), f));
  };
  kwvbench::paired(state, ours, baseline, 64);
  card.QEL_EndPacking();
  std::fclose(f);
}

void BM_Gb2312Line(benchmark::State& state) {
  // 高级工程师，北京示例科技有限公司研发部
  char title[] =
      "\xE9\xAB\x98\xE7\xBA\xA7\xE5\xB7\xA5\xE7\xA8\x8B\xE5\xB8\x88\xEF\xBC\x8C\xE5\x8C\x97\xE4"
      "\xBA\xAC\xE7\xA4\xBA\xE4\xBE\x8B\xE7\xA7\x91\xE6\x8A\x80\xE6\x9C\x89\xE9\x99\x90\xE5\x85"
      "\xAC\xE5\x8F\xB8\xE7\xA0\x94\xE5\x8F\x91\xE9\x83\xA8";
  char path[] = "/dev/null", gb2312[] = "GB2312";
  KwvCard card(path);
  card.QEL_ChangeCharSet(gb2312);
  std::FILE* f = std::fopen(path, "wb");
  iconv_t cd = iconv_open("GB2312", "UTF-8");
  if (cd == reinterpret_cast<iconv_t>(-1)) {
    state.SkipWithError("iconv has no GB2312 here");
    return;
  }
  const std::string line = std::string("TITLE;CHARSET=GB2312:") + title + "\r\n";
  auto ours = [&] { benchmark::DoNotOptimize(card.QEL_AddTitle(title)); };
  auto baseline = [&] {
    char out[800];
    char* in = const_cast<char*>(line.data());
    char* o = out;
    std::size_t in_left = line.size(), out_left = sizeof out;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    iconv(cd, &in, &in_left, &o, &out_left);
    benchmark::DoNotOptimize(std::fwrite(out, 1, static_cast<std::size_t>(o - out), f));
  };
  kwvbench::paired(state, ours, baseline, 64);
  iconv_close(cd);
  card.QEL_EndPacking();
  std::fclose(f);
}

void BM_AttachPhoto(benchmark::State& state) {
  const auto n = static_cast<std::size_t>(state.range(0));
  std::mt19937 rng(static_cast<unsigned>(n));
  std::string bytes(n, '\0');
  for (char& c : bytes) c = static_cast<char>(rng());
  std::string media = kShm + "photo.bin", out = kShm + "photo.vcf";
  std::ofstream(media, std::ios::binary) << bytes;
  for (auto _ : state) {
    KwvCard card(out.data());
    char type[] = "jpeg";
    benchmark::DoNotOptimize(card.QEL_AttachPhoto(media.data(), type));
    card.QEL_EndPacking();
  }
  std::remove(media.c_str());
  std::remove(out.c_str());
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * n));
}

}  // namespace

BENCHMARK(BM_TypicalCard);
BENCHMARK(BM_TextLine)->Arg(32)->Arg(80)->Arg(200);
BENCHMARK(BM_Gb2312Line);
BENCHMARK(BM_AttachPhoto)->Arg(1 << 20)->Arg(16 << 20)->Unit(benchmark::kMillisecond);
