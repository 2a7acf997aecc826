// QEL_base64_encode against the RFC 4648 vectors, a plain encoder, and its argument checks.
#include <climits>
#include <memory>
#include <numeric>
#include <random>

#include "QEL_base64.h"
#include "test_support.h"

namespace {

// Encodes into a heap buffer of exactly 4 * ceil(n / 3) + 1 bytes, so ASan catches overruns.
std::string encode(const std::string& in) {
  const std::size_t size = 4 * ((in.size() + 2) / 3) + 1;
  auto buf = std::make_unique<char[]>(size);
  char* p = buf.get();
  EXPECT_EQ(QEL_base64_encode(in.data(), static_cast<int>(in.size()), &p), int(size - 1));
  return p;
}

TEST(Base64Test, MatchesRfc4648VectorsAndAPlainEncoder) {
  const char* vectors[] = {"", "Zg==", "Zm8=", "Zm9v", "Zm9vYg==", "Zm9vYmE=", "Zm9vYmFy"};
  for (std::size_t n = 0; n < 7; ++n) EXPECT_EQ(encode(std::string("foobar", n)), vectors[n]);
  std::vector<std::size_t> lengths(301);
  std::iota(lengths.begin(), lengths.end(), 0);
  lengths.push_back((3 << 20) + 2);
  std::mt19937 rng(4648);
  for (std::size_t n : lengths) {
    std::string in(n, '\0');
    for (char& c : in) c = static_cast<char>(rng());
    ASSERT_EQ(encode(in), kwvtest::base64(in)) << n << " bytes";
  }
}

TEST(Base64Test, RejectsBadArgumentsWithoutWriting) {
  char buf[] = "xyz";
  char *p = buf, *none = nullptr;
  EXPECT_EQ(QEL_base64_encode("a", 1, nullptr) + QEL_base64_encode("a", 1, &none) +
                QEL_base64_encode(nullptr, 1, &p) + QEL_base64_encode("a", 1610612734, &p),
            -4);  // the last: its encoding would not fit in an int
  EXPECT_STREQ(buf, "xyz");
  EXPECT_EQ(QEL_base64_encode(nullptr, INT_MIN, &p), 0);
  EXPECT_STREQ(buf, "");
}

}  // namespace
