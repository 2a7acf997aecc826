// Card writer throughput, each against a plain stdio baseline in the same run:
// - a text property line against fprintf of the same bytes;
// - an inline photo against the per-character folding loop (fputc for every
//   encoded character), fed the same encoded text.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "KwvCard.h"
#include "QEL_base64.h"

namespace {

const char* kNull = "/dev/null";

void BM_TitleLine(benchmark::State& state) {
  char path[] = "/dev/null";
  char title[] = "Senior Engineer, Contacts and Calendars";
  KwvCard card(path);
  for (auto _ : state) benchmark::DoNotOptimize(card.QEL_AddTitle(title));
  card.QEL_EndPacking();
}

void BM_TitleLineBaseline(benchmark::State& state) {
  std::FILE* f = std::fopen(kNull, "wb");
  const char* title = "Senior Engineer, Contacts and Calendars";
  for (auto _ : state)
    benchmark::DoNotOptimize(std::fprintf(f, "TITLE;CHARSET=%s:%s\r\n", "UTF-8", title));
  std::fclose(f);
}

std::string media_file(std::size_t n) {
  std::mt19937 rng(static_cast<unsigned>(n));
  std::string bytes(n, '\0');
  for (char& c : bytes) c = static_cast<char>(rng());
  std::string path = "/tmp/kwvcard-bench-" + std::to_string(n) + ".bin";
  std::FILE* f = std::fopen(path.c_str(), "wb");
  std::fwrite(bytes.data(), 1, n, f);
  std::fclose(f);
  return path;
}

void BM_AttachPhoto(benchmark::State& state) {
  const auto n = static_cast<std::size_t>(state.range(0));
  std::string media = media_file(n);
  char path[] = "/dev/null";
  KwvCard card(path);
  for (auto _ : state) {
    char type[] = "jpeg";
    benchmark::DoNotOptimize(card.QEL_AttachPhoto(media.data(), type));
  }
  card.QEL_EndPacking();
  std::remove(media.c_str());
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * n));
}

// The same work with the body written one character per call.
void BM_AttachPhotoPerCharacter(benchmark::State& state) {
  const auto n = static_cast<std::size_t>(state.range(0));
  std::string media = media_file(n);
  std::FILE* out = std::fopen(kNull, "wb");
  for (auto _ : state) {
    std::FILE* in = std::fopen(media.c_str(), "rb");
    std::vector<char> data(n);
    benchmark::DoNotOptimize(std::fread(data.data(), 1, n, in));
    std::fclose(in);
    std::vector<char> text(4 * ((n + 2) / 3) + 1);
    char* t = text.data();
    QEL_base64_encode(data.data(), static_cast<int>(n), &t);
    std::fputs("PHOTO;ENCODING=BASE64;TYPE=JPEG:", out);
    int column = 0;
    for (const char* p = t; *p != '\0'; ++p) {
      if (column > 74) {
        std::fputs("\r\n    ", out);
        column = 0;
      }
      std::fputc(*p, out);
      ++column;
    }
    std::fputs("\r\n", out);
  }
  std::fclose(out);
  std::remove(media.c_str());
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * n));
}

}  // namespace

BENCHMARK(BM_TitleLine);
BENCHMARK(BM_TitleLineBaseline);
BENCHMARK(BM_AttachPhoto)->Arg(16 << 10)->Arg(1 << 20);
BENCHMARK(BM_AttachPhotoPerCharacter)->Arg(16 << 10)->Arg(1 << 20);
