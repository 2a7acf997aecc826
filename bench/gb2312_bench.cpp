// The UTF-8 to GB2312 converter against one iconv call on the same line (the
// descriptor opened once and reset before each line, as a converter over iconv
// must), paired in one run (see paired.h).
#include <benchmark/benchmark.h>
#include <iconv.h>

#include <cstring>
#include <string>

#include "paired.h"
#include "qelstr.h"

namespace {

const char* const kLines[] = {
    // A title line under charset GB2312 and language zh-CN.
    "TITLE;CHARSET=GB2312;LANGUAGE=zh-CN:\xE9\xAB\x98\xE7\xBA\xA7\xE5\xB7\xA5\xE7\xA8\x8B\xE5\xB8"
    "\x88\r\n",
    // An address line: mostly Chinese, some ASCII.
    "ADR;CHARSET=GB2312;LANGUAGE=zh-CN;WORK:;;\xE6\xB5\xB7\xE6\xB7\x80\xE5\x8C\xBA\xE4\xB8\xAD"
    "\xE5\x85\xB3\xE6\x9D\x91\xE5\xA4\xA7\xE8\xA1\x97"
    "1\xE5\x8F\xB7;\xE5\x8C\x97\xE4\xBA\xAC;;100080;\xE4\xB8\xAD\xE5\x9B\xBD\r\n",
    // A telephone line: ASCII only.
    "TEL;CELL;WORK:+86-10-5555-0100\r\n",
};

void BM_Gb2312Line(benchmark::State& state) {
  const std::string line = kLines[state.range(0)];
  iconv_t cd = iconv_open("GB2312", "UTF-8");
  if (cd == reinterpret_cast<iconv_t>(-1)) {
    state.SkipWithError("iconv has no GB2312 here");
    return;
  }
  char ours[800], theirs[800];
  auto convert = [&] { benchmark::DoNotOptimize(qelstr_utf8_to_gb(ours, line.c_str())); };
  auto baseline = [&] {
    char* in = const_cast<char*>(line.c_str());
    char* out = theirs;
    std::size_t in_left = line.size(), out_left = sizeof theirs - 1;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    benchmark::DoNotOptimize(iconv(cd, &in, &in_left, &out, &out_left));
    *out = '\0';
  };
  kwvbench::paired(state, convert, baseline, 64);
  iconv_close(cd);
  if (std::strcmp(ours, theirs) != 0) state.SkipWithError("output differs from iconv's");
  state.counters["bytes"] = static_cast<double>(line.size());
}

}  // namespace

BENCHMARK(BM_Gb2312Line)->ArgName("line")->DenseRange(0, 2);
