// Whole-run timing for the import benchmarks: each way of writing the cards
// (the library alone, kwvcard, a peer) is timed round after round, wall time
// and the CPU time of the process and its children, so that all ways see the
// same machine.
#ifndef KWVCARD_BENCH_TIMED_WAYS_H
#define KWVCARD_BENCH_TIMED_WAYS_H

#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

namespace kwvbench {

inline double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

// CPU time of this process and of its waited-for children, in ms.
inline double cpu_ms() {
  double ms = 0;
  for (int who : {RUSAGE_SELF, RUSAGE_CHILDREN}) {
    rusage u{};
    getrusage(who, &u);
    for (const timeval& t : {u.ru_utime, u.ru_stime}) ms += t.tv_sec * 1e3 + t.tv_usec / 1e3;
  }
  return ms;
}

// One way of writing the cards; each run writes to a new path, so that no run
// creates its files right after the last one deleted 10,000 (ext4 then looks
// long for a free inode, which would blur the comparison).
struct Way {
  const char* name;
  std::function<void(const std::filesystem::path& out)> work;
  std::vector<double> ms{}, cpu{};

  void time(const std::filesystem::path& out) {
    const double cpu_start = cpu_ms();
    const auto start = std::chrono::steady_clock::now();
    work(out);
    const auto end = std::chrono::steady_clock::now();
    ms.push_back(std::chrono::duration<double, std::milli>(end - start).count());
    cpu.push_back(cpu_ms() - cpu_start);
  }
  double fastest() const { return *std::min_element(ms.begin(), ms.end()); }
  // The median of this way's per-round ratios to `base`'s.
  double ratio(const Way& base) const {
    std::vector<double> r;
    for (std::size_t i = 0; i < ms.size(); ++i) r.push_back(ms[i] / base.ms[i]);
    return median(r);
  }
};

inline std::string read(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), {});
}

}  // namespace kwvbench

#endif
