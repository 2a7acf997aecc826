// What one open card costs, without Google Benchmark, so that it runs on the ARM
// targets under qemu as well as natively:
//
//   card_stream memory          the memory of an open card, one "name bytes" line
//                               each: `object` (sizeof KwvCard), `heap` (what
//                               opening a card and writing a line allocates: the
//                               stream and its buffer), `stack` (the deepest
//                               stack of any operation: a GB2312 address line,
//                               photos of 1 KiB and 1 MiB)
//   card_stream time [ROUNDS]   the card figures of card_bench, one "name ours_ns
//                               base_ns ratio" line each: the typical card, and
//                               TITLE lines of 20, 80 and 200-byte values on
//                               growing files (a card of 10,000 lines), against
//                               the same bytes through plain stdio; medians of
//                               ROUNDS (default 9) per-round ratios.
//
// Files go to /dev/shm (or /tmp without it).
#include <malloc.h>
#include <pthread.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "KwvCard.h"
#include "card_work.h"

namespace {

std::string dir() {
  return access("/dev/shm", W_OK) == 0 ? "/dev/shm/" : "/tmp/";
}

std::size_t heap_in_use() {
  const struct mallinfo2 m = mallinfo2();
  return m.uordblks + m.hblkhd;
}

// Runs `work` on a thread whose stack is painted beforehand; returns the bytes
// of that stack it touched (the thread's own descriptor included).
std::size_t stack_used(const std::function<void()>& work) {
  constexpr std::size_t kSize = 1 << 20;
  constexpr unsigned char kPaint = 0xA5;
  void* stack = nullptr;
  if (posix_memalign(&stack, 1 << 16, kSize) != 0) std::abort();
  std::memset(stack, kPaint, kSize);
  pthread_attr_t attr;
  pthread_attr_init(&attr);
  pthread_attr_setstack(&attr, stack, kSize);
  pthread_t thread;
  auto run = [](void* w) -> void* {
    (*static_cast<const std::function<void()>*>(w))();
    return nullptr;
  };
  if (pthread_create(&thread, &attr, run, const_cast<std::function<void()>*>(&work)) != 0) {
    std::abort();
  }
  pthread_join(thread, nullptr);
  pthread_attr_destroy(&attr);
  const auto* bytes = static_cast<const unsigned char*>(stack);
  std::size_t untouched = 0;
  while (untouched < kSize && bytes[untouched] == kPaint) ++untouched;
  std::free(stack);
  return kSize - untouched;
}

int memory() {
  const std::string base = dir() + "kwvcard-stream-";
  char title[] = "Senior Engineer";
  // Heap: many cards open at once, each with a line written (stdio allocates a
  // stream's buffer at its first write).
  constexpr int kCards = 64;
  std::vector<std::string> paths;
  for (int i = 0; i < kCards; ++i) paths.push_back(base + std::to_string(i) + ".vcf");
  std::vector<std::unique_ptr<KwvCard>> cards;
  cards.reserve(kCards);
  const std::size_t before = heap_in_use();
  for (std::string& path : paths) {
    cards.emplace_back(new KwvCard(&path[0]));
    cards.back()->QEL_AddTitle(title);
  }
  const std::size_t heap = (heap_in_use() - before) / kCards - sizeof(KwvCard);
  for (auto& card : cards) card->QEL_EndPacking();
  for (const std::string& path : paths) std::remove(path.c_str());

  // Stack: the deepest operations against a thread that does nothing.
  std::string card_path = base + "stack.vcf", small = base + "small.bin",
              large = base + "large.bin";
  for (auto [path, size] : {std::pair{small, 1 << 10}, std::pair{large, 1 << 20}}) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    for (int i = 0; i < size; ++i) std::fputc(i * 7 % 256, f);
    std::fclose(f);
  }
  const std::size_t idle = stack_used([] {});
  std::size_t deepest = 0;
  for (const std::string* media : {&small, &large, static_cast<std::string*>(nullptr)}) {
    deepest = std::max(
        deepest, stack_used([&] {
          KwvCard card(&card_path[0]);
          if (media != nullptr) {
            char type[] = "jpeg";
            card.QEL_AttachPhoto(const_cast<char*>(media->c_str()), type);
          } else {
            char gb2312[] = "GB2312", seven[] = "7", street[] = "\xE4\xB8\xAD\xE5\x85\xB3";
            card.QEL_ChangeCharSet(gb2312);
            card.QEL_AddAddress(seven, street, street, street, street, street, street, street);
            card.QEL_AddTitle(title);
          }
          card.QEL_EndPacking();
        }));
  }
  for (const std::string& path : {card_path, small, large}) std::remove(path.c_str());
  std::printf("object %zu\nheap %zu\nstack %zu\n", sizeof(KwvCard), heap, deepest - idle);
  return 0;
}

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  const std::size_t n = v.size();
  return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

// Runs both sides `reps` times a round, one after the other, alternating
// which goes first, so that both see the same machine; prints nanoseconds per
// unit (an operation is `units` units) and the median of the per-round ratios.
void paired(const char* name, int rounds, int reps, int units, const std::function<void()>& ours,
            const std::function<void()>& base) {
  using Clock = std::chrono::steady_clock;
  std::vector<double> ours_ns, base_ns, ratios;
  ours();  // warm up: the files exist, the code is paged in
  base();
  for (int r = 0; r < rounds; ++r) {
    Clock::duration t[2]{};
    for (int i = 0; i < reps; ++i) {
      for (int side = 0; side < 2; ++side) {
        const bool run_ours = (side == 0) == (i % 2 == 0);
        const auto start = Clock::now();
        (run_ours ? ours : base)();
        t[run_ours ? 0 : 1] += Clock::now() - start;
      }
    }
    const double scale = 1.0 / reps / units;
    ours_ns.push_back(std::chrono::duration<double, std::nano>(t[0]).count() * scale);
    base_ns.push_back(std::chrono::duration<double, std::nano>(t[1]).count() * scale);
    ratios.push_back(ours_ns.back() / base_ns.back());
  }
  std::printf("%s %.1f %.1f %.3f\n", name, median(ours_ns), median(base_ns), median(ratios));
}

int time(int rounds) {
  const std::string base = dir() + "kwvcard-stream-";
  std::string ours_path = base + "ours.vcf", base_path = base + "base.vcf";
  kwvbench::TypicalCard card;
  paired(
      "typical_card", rounds, 200, 1, [&] { card.write(&ours_path[0]); },
      [&] { kwvbench::TypicalCard::write_ready_made(base_path.c_str()); });
  int failed = kwvbench::read_file(ours_path) != kwvbench::read_file(base_path);
  constexpr int kLines = 10000;
  for (int length : {20, 80, 200}) {
    std::string title(static_cast<std::size_t>(length), 't');
    const std::string name = "title_line_file/" + std::to_string(length);
    paired(
        name.c_str(), rounds, 4, kLines,
        [&] { kwvbench::write_title_card(&ours_path[0], &title[0], kLines); },
        [&] { kwvbench::write_title_lines(base_path.c_str(), title.c_str(), kLines); });
    failed |= kwvbench::read_file(ours_path) != kwvbench::read_file(base_path);
  }
  std::remove(ours_path.c_str());
  std::remove(base_path.c_str());
  if (failed) std::fputs("card_stream: the two sides wrote different files\n", stderr);
  return failed;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string what = argc > 1 ? argv[1] : "";
  if (what == "memory") return memory();
  if (what == "time") return time(argc > 2 ? std::atoi(argv[2]) : 9);
  std::fputs("usage: card_stream memory | time [ROUNDS]\n", stderr);
  return 2;
}
