// Paired measurement: the library's side and its baseline run alternately, in
// small batches, inside one benchmark, so that both see the same machine. The
// counters give each side's nanoseconds per operation and their ratio (library
// over baseline, below 1 is faster). With --benchmark_repetitions, the median
// of `ratio` is the median of per-round ratios.
#ifndef KWVCARD_BENCH_PAIRED_H
#define KWVCARD_BENCH_PAIRED_H

#include <benchmark/benchmark.h>

#include <chrono>

namespace kwvbench {

template <typename Ours, typename Baseline>
void paired(benchmark::State& state, Ours&& ours, Baseline&& baseline, int batch = 16) {
  using Clock = std::chrono::steady_clock;
  Clock::duration ours_total{}, base_total{};
  bool ours_first = true;
  for (auto _ : state) {
    // Alternate which side goes first, so neither always inherits the other's
    // cache and allocator state.
    for (int side = 0; side < 2; ++side) {
      const bool run_ours = (side == 0) == ours_first;
      const auto start = Clock::now();
      for (int i = 0; i < batch; ++i) {
        if (run_ours) {
          ours();
        } else {
          baseline();
        }
        benchmark::ClobberMemory();
      }
      (run_ours ? ours_total : base_total) += Clock::now() - start;
    }
    ours_first = !ours_first;
  }
  const double n = static_cast<double>(state.iterations()) * batch;
  const std::chrono::duration<double, std::nano> ours_ns = ours_total, base_ns = base_total;
  state.counters["ours_ns"] = ours_ns.count() / n;
  state.counters["base_ns"] = base_ns.count() / n;
  state.counters["ratio"] = ours_ns / base_ns;
}

}  // namespace kwvbench

#endif
