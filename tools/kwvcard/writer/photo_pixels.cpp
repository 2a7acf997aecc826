// Shrinking and turning decoded pixels.
#include <algorithm>
#include <cstddef>
#include <utility>
#include <vector>

#include "writer/photo_internal.h"

namespace kwvcard::photo {
namespace {

// Area averaging along one axis, from `from` pixels to `to` (to <= from): in
// units of 1/to of an input pixel, output pixel i covers [i * from, (i + 1) *
// from) and input pixel j [j * to, (j + 1) * to). Output pixel i is the sum
// over the count[i] input pixels from first[i] of weight[i * taps + k] times
// input pixel first[i] + k: the share of the output pixel each covers, the
// shares summing to 1. An output pixel, from / to input pixels long, touches
// at most from / to + 2 of them.
struct Axis {
  Axis(int from, int to) : taps(from / to + 2), first(std::size_t(to)), count(std::size_t(to)) {
    weight.assign(std::size_t(to) * std::size_t(taps), 0.0f);
    for (std::size_t i = 0; i < first.size(); ++i) {
      const long long start = 1LL * from * long(i), end = start + from;
      first[i] = int(start / to);
      count[i] = std::min(taps, from - first[i]);
      for (int k = 0; k < count[i]; ++k) {
        const long long j = first[i] + k;
        const long long covered = std::min(end, (j + 1) * to) - std::max(start, j * to);
        weight[i * std::size_t(taps) + std::size_t(k)] =
            float(std::max(covered, 0LL)) / float(from);
      }
    }
  }
  int taps;
  std::vector<int> first, count;
  std::vector<float> weight;
};

// One row of input pixels averaged along `across`, added to `sums` with
// weight `w`.
void add_row(const unsigned char* row, const Axis& across, float w, std::vector<float>& sums) {
  for (std::size_t x = 0; x < across.first.size(); ++x) {
    const unsigned char* in = row + std::size_t(across.first[x]) * 3;
    const float* weights = &across.weight[x * std::size_t(across.taps)];
    float s0 = 0, s1 = 0, s2 = 0;  // the pixel's three samples
    for (int k = 0; k < across.count[x]; ++k) {
      s0 += weights[k] * float(in[k * 3]);
      s1 += weights[k] * float(in[k * 3 + 1]);
      s2 += weights[k] * float(in[k * 3 + 2]);
    }
    sums[x * 3] += w * s0;
    sums[x * 3 + 1] += w * s1;
    sums[x * 3 + 2] += w * s2;
  }
}

}  // namespace

Pixels make_pixels(int width, int height, bool ycc) {
  return {width, height, ycc,
          std::unique_ptr<unsigned char[]>(
              new unsigned char[std::size_t(width) * std::size_t(height) * 3])};
}

// Row by row: each output row sums the input rows it covers, each averaged
// across first.
Pixels shrunk(Pixels pixels, Size size) {
  if (pixels.width == size.width && pixels.height == size.height) return pixels;
  const Axis across(pixels.width, size.width), down(pixels.height, size.height);
  Pixels out = make_pixels(size.width, size.height, pixels.ycc);
  const std::size_t in_row = std::size_t(pixels.width) * 3, out_row = std::size_t(size.width) * 3;
  std::vector<float> sums(out_row);
  for (int y = 0; y < size.height; ++y) {
    std::fill(sums.begin(), sums.end(), 0.0f);
    for (int k = 0; k < down.count[std::size_t(y)]; ++k) {
      const float w = down.weight[std::size_t(y) * std::size_t(down.taps) + std::size_t(k)];
      const std::size_t from = std::size_t(down.first[std::size_t(y)] + k);
      add_row(pixels.data.get() + from * in_row, across, w, sums);
    }
    unsigned char* row = out.data.get() + std::size_t(y) * out_row;
    for (std::size_t i = 0; i < out_row; ++i)
      row[i] = static_cast<unsigned char>(std::min(sums[i] + 0.5f, 255.0f));
  }
  return out;
}

// For each orientation, where one step right and one step down in the upright
// image go in the stored one (columns, rows): 1 as it is, 2 mirrored left to
// right, 3 turned half round, 4 mirrored top to bottom, 5 mirrored along the
// diagonal from the top left, 6 stored a quarter turn anticlockwise (turned
// clockwise to be upright), 7 mirrored along the other diagonal, 8 stored a
// quarter turn clockwise. The upright image starts at the stored corner these
// steps leave from.
Pixels upright(Pixels pixels, int orientation) {
  static const int steps[8][4] = {{1, 0, 0, 1}, {-1, 0, 0, 1}, {-1, 0, 0, -1}, {1, 0, 0, -1},
                                  {0, 1, 1, 0}, {0, -1, 1, 0}, {0, -1, -1, 0}, {0, 1, -1, 0}};
  if (orientation < 2 || orientation > 8) return pixels;
  const int* s = steps[orientation - 1];
  const long long w = pixels.width, h = pixels.height;
  const bool turned = orientation >= 5;
  Pixels out = make_pixels(turned ? pixels.height : pixels.width,
                           turned ? pixels.width : pixels.height, pixels.ycc);
  const long long start =
      (s[1] < 0 || s[3] < 0 ? h - 1 : 0) * w + (s[0] < 0 || s[2] < 0 ? w - 1 : 0);
  const long long right = s[0] + s[1] * w, down = s[2] + s[3] * w;
  unsigned char* to = out.data.get();
  for (long long y = 0; y < out.height; ++y) {
    for (long long x = 0; x < out.width; ++x, to += 3) {
      const unsigned char* from = pixels.data.get() + (start + y * down + x * right) * 3;
      to[0] = from[0];
      to[1] = from[1];
      to[2] = from[2];
    }
  }
  return out;
}

}  // namespace kwvcard::photo
