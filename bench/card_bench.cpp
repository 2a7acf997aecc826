// The card writer against plain stdio doing the same work, paired in one run
// (see paired.h):
// - BM_TypicalCard: a typical card (N, ORG, two typed TEL, EMAIL, TITLE, ADR,
//   BDAY) written to a file on tmpfs, against fopen, one fwrite per line of the
//   same bytes, and fclose;
// - BM_TextLine/<bytes>: one TITLE line of that length (32 to 200 bytes, with the
//   default parameter ;CHARSET=UTF-8) on an open card, against
//   snprintf and fwrite of the same line;
// - BM_TextLineFile/<value bytes>: TITLE lines with values of 20 to 200 bytes
//   on growing files: a card of 10,000 such lines (0.4 to 2.2 MB) created,
//   written and closed, against fopen, snprintf and fwrite of each line, and
//   fclose; nanoseconds per line;
// - BM_Gb2312Line: one Chinese TITLE line under charset GB2312, against one
//   iconv call on the composed line and fwrite;
// - BM_Gb2312LineFile: the same on growing files, 10,000 lines a card;
// - BM_AttachPhoto/<bytes>: an inline photo on an open card, alone (MB/s), for
//   profiling; the whole-process figure is bench/run's.
// Lines on an open stream go to /dev/null on both sides, so that millions of
// them fill no file system; the cards, the lines on growing files and the
// photos go to /dev/shm, where the file system's cost per written page is in
// both sides' figures, as it is for users.
#include <benchmark/benchmark.h>
#include <iconv.h>

#include <cstdio>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "KwvCard.h"
#include "card_work.h"
#include "paired.h"

namespace {

using kwvbench::read_file;

const std::string kShm = "/dev/shm/kwvcard-bench-";

void BM_TypicalCard(benchmark::State& state) {
  std::string ours_path = kShm + "card-ours.vcf", base_path = kShm + "card-base.vcf";
  kwvbench::TypicalCard card;
  auto ours = [&] { card.write(ours_path.data()); };
  auto baseline = [&] { kwvbench::TypicalCard::write_ready_made(base_path.c_str()); };
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

constexpr int kLinesPerCard = 10000;

// Scales the per-operation counters of paired() to per-line figures, an
// operation being a card of kLinesPerCard lines.
void per_line(benchmark::State& state) {
  for (const char* name : {"ours_ns", "base_ns"}) state.counters[name].value /= kLinesPerCard;
}

void BM_TextLineFile(benchmark::State& state) {
  std::string title(static_cast<std::size_t>(state.range(0)), 't');
  std::string ours_path = kShm + "lines-ours.vcf", base_path = kShm + "lines-base.vcf";
  auto ours = [&] { kwvbench::write_title_card(&ours_path[0], &title[0], kLinesPerCard); };
  auto baseline = [&] {
    kwvbench::write_title_lines(base_path.c_str(), title.c_str(), kLinesPerCard);
  };
  kwvbench::paired(state, ours, baseline, 1);
  per_line(state);
  if (read_file(ours_path) != read_file(base_path)) state.SkipWithError("the cards differ");
  std::remove(ours_path.c_str());
  std::remove(base_path.c_str());
}

// 高级工程师，北京示例科技有限公司研发部
char gb2312_title[] =
    "\xE9\xAB\x98\xE7\xBA\xA7\xE5\xB7\xA5\xE7\xA8\x8B\xE5\xB8\x88\xEF\xBC\x8C\xE5\x8C\x97\xE4"
    "\xBA\xAC\xE7\xA4\xBA\xE4\xBE\x8B\xE7\xA7\x91\xE6\x8A\x80\xE6\x9C\x89\xE9\x99\x90\xE5\x85"
    "\xAC\xE5\x8F\xB8\xE7\xA0\x94\xE5\x8F\x91\xE9\x83\xA8";

// One iconv call on the composed UTF-8 line (the descriptor reset before it),
// and fwrite of the result.
std::size_t iconv_line(iconv_t cd, const std::string& line, std::FILE* f) {
  char out[800];
  char* in = const_cast<char*>(line.data());
  char* o = out;
  std::size_t in_left = line.size(), out_left = sizeof out;
  iconv(cd, nullptr, nullptr, nullptr, nullptr);
  iconv(cd, &in, &in_left, &o, &out_left);
  return std::fwrite(out, 1, static_cast<std::size_t>(o - out), f);
}

void BM_Gb2312LineFile(benchmark::State& state) {
  char gb2312[] = "GB2312";
  iconv_t cd = iconv_open("GB2312", "UTF-8");
  if (cd == reinterpret_cast<iconv_t>(-1)) {
    state.SkipWithError("iconv has no GB2312 here");
    return;
  }
  const std::string line = std::string("TITLE;CHARSET=GB2312:") + gb2312_title + "\r\n";
  std::string ours_path = kShm + "gb-ours.vcf", base_path = kShm + "gb-base.vcf";
  auto ours = [&] {
    KwvCard card(ours_path.data());
    card.QEL_ChangeCharSet(gb2312);
    for (int i = 0; i < kLinesPerCard; ++i) {
      benchmark::DoNotOptimize(card.QEL_AddTitle(gb2312_title));
    }
    card.QEL_EndPacking();
  };
  auto baseline = [&] {
    std::FILE* f = std::fopen(base_path.c_str(), "wb");
    std::fputs("BEGIN:VCARD\r\nVERSION:2.1\r\n", f);
    for (int i = 0; i < kLinesPerCard; ++i) benchmark::DoNotOptimize(iconv_line(cd, line, f));
    std::fputs("END:VCARD\r\n", f);
    std::fclose(f);
  };
  kwvbench::paired(state, ours, baseline, 1);
  per_line(state);
  iconv_close(cd);
  if (read_file(ours_path) != read_file(base_path)) state.SkipWithError("the cards differ");
  std::remove(ours_path.c_str());
  std::remove(base_path.c_str());
}

void BM_Gb2312Line(benchmark::State& state) {
  char* title = gb2312_title;
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
  auto baseline = [&] { benchmark::DoNotOptimize(iconv_line(cd, line, f)); };
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
BENCHMARK(BM_TextLineFile)->Arg(20)->Arg(80)->Arg(200);
BENCHMARK(BM_Gb2312Line);
BENCHMARK(BM_Gb2312LineFile);
BENCHMARK(BM_AttachPhoto)->Arg(1 << 20)->Arg(16 << 20)->Unit(benchmark::kMillisecond);
