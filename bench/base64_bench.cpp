// Throughput of QEL_base64_encode against the obvious encoder, on random input.
#include "QEL_base64.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace {

using Encoder = int (*)(const void*, int, char**);

// The textbook encoder: three bytes at a time, shifts and a 64-character alphabet.
__attribute__((noinline)) int BaselineEncode(const void* data, int length, char** text) {
  static const char kAlphabet[] =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  const auto* in = static_cast<const unsigned char*>(data);
  char* out = *text;
  int i = 0;
  for (; i + 3 <= length; i += 3) {
    out[0] = kAlphabet[in[i] >> 2];
    out[1] = kAlphabet[((in[i] & 0x03) << 4) | (in[i + 1] >> 4)];
    out[2] = kAlphabet[((in[i + 1] & 0x0F) << 2) | (in[i + 2] >> 6)];
    out[3] = kAlphabet[in[i + 2] & 0x3F];
    out += 4;
  }
  if (i < length) {
    const int second = i + 1 < length ? in[i + 1] : 0;
    out[0] = kAlphabet[in[i] >> 2];
    out[1] = kAlphabet[((in[i] & 0x03) << 4) | (second >> 4)];
    out[2] = i + 1 < length ? kAlphabet[(second & 0x0F) << 2] : '=';
    out[3] = '=';
    out += 4;
  }
  *out = '\0';
  return static_cast<int>(out - *text);
}

std::vector<unsigned char> RandomBytes(std::size_t n) {
  std::mt19937_64 rng(n);
  std::vector<unsigned char> bytes(n);
  for (unsigned char& b : bytes) b = static_cast<unsigned char>(rng());
  return bytes;
}

void BM_Encode(benchmark::State& state, Encoder encode) {
  const auto n = static_cast<int>(state.range(0));
  const std::vector<unsigned char> in = RandomBytes(static_cast<std::size_t>(n));
  std::string out(4 * ((n + 2) / 3), '\0');
  std::string expected = out;
  char* text = expected.data();
  BaselineEncode(in.data(), n, &text);
  benchmark::DoNotOptimize(out.data());  // the output escapes, so its stores stay
  for (auto _ : state) {
    text = out.data();
    benchmark::DoNotOptimize(encode(in.data(), n, &text));
    benchmark::ClobberMemory();
  }
  if (out != expected) state.SkipWithError("output differs from the baseline encoder");
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * n);
}

void Sizes(benchmark::internal::Benchmark* b) {
  for (int kib : {1, 4, 64, 1024, 16 * 1024}) b->Arg(kib * 1024);
}

}  // namespace

BENCHMARK_CAPTURE(BM_Encode, QEL_base64_encode, QEL_base64_encode)->Apply(Sizes);
BENCHMARK_CAPTURE(BM_Encode, baseline, BaselineEncode)->Apply(Sizes);
