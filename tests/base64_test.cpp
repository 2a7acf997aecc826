// QEL_base64_encode against the RFC 4648 vectors, a reference decoder and its argument checks.
#include "QEL_base64.h"

#include <gtest/gtest.h>

#include <climits>
#include <memory>
#include <numeric>
#include <random>
#include <string>
#include <vector>

namespace {

const std::string kAlphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

// Encodes into a heap buffer of exactly 4 * ceil(n / 3) + 1 bytes, so ASan catches overruns.
std::string Encode(const std::string& in) {
  const std::size_t size = 4 * ((in.size() + 2) / 3) + 1;
  auto buf = std::make_unique<char[]>(size);
  char* p = buf.get();
  EXPECT_EQ(QEL_base64_encode(in.data(), static_cast<int>(in.size()), &p), int(size - 1));
  return p;
}

std::string Decode(const std::string& text) {
  std::string out;
  unsigned bits = 0, count = 0;
  for (char c : text.substr(0, text.find('='))) {
    bits = (bits << 6 | static_cast<unsigned>(kAlphabet.find(c))) & 0xFFFF;
    if ((count += 6) >= 8) out += static_cast<char>(bits >> (count -= 8));
  }
  return out;
}

TEST(Base64Test, MatchesRfc4648Vectors) {
  // The encodings of the first n bytes of "foobar".
  const char* kExpected[] = {"", "Zg==", "Zm8=", "Zm9v", "Zm9vYg==", "Zm9vYmE=", "Zm9vYmFy"};
  for (std::size_t n = 0; n < 7; ++n) EXPECT_EQ(Encode(std::string("foobar", n)), kExpected[n]);
}

TEST(Base64Test, RoundTripsRandomDataOfManyLengths) {
  std::mt19937 rng(4648);
  std::vector<std::size_t> lengths(301);
  std::iota(lengths.begin(), lengths.end(), 0);
  lengths.insert(lengths.end(), {4095, 4096, 65537, 1 << 20, (3 << 20) + 2});
  for (std::size_t n : lengths) {
    std::string in(n, '\0');
    for (char& c : in) c = static_cast<char>(rng());
    ASSERT_EQ(Decode(Encode(in)), in) << n << " bytes";
  }
}

TEST(Base64Test, RoundTripsEveryByteValueAtEveryGroupPosition) {
  std::string in;  // 0..255 three times; 256 % 3 == 1, so each copy sits one place further on
  for (int i = 0; i < 3 * 256; ++i) in += static_cast<char>(i);
  EXPECT_EQ(Decode(Encode(in)), in);
}

TEST(Base64Test, RejectsBadArgumentsWithoutWriting) {
  char buf[] = "xyz";
  char* p = buf;
  char* none = nullptr;
  EXPECT_EQ(QEL_base64_encode("a", 1, nullptr), -1);
  EXPECT_EQ(QEL_base64_encode("a", 1, &none), -1);
  EXPECT_EQ(QEL_base64_encode(nullptr, 1, &p), -1);
  EXPECT_EQ(QEL_base64_encode("a", 1610612734, &p), -1);  // encoding would not fit in an int
  EXPECT_STREQ(buf, "xyz");
  for (int length : {0, -1, INT_MIN}) {
    buf[0] = 'x';
    EXPECT_EQ(QEL_base64_encode(nullptr, length, &p), 0);
    EXPECT_STREQ(buf, "");
  }
}

}  // namespace
