// The GB2312 converter on arbitrary bytes (up to the first NUL): the output
// fits a buffer as large as the input, the result is its length, and it is the
// documented conversion; where iconv has no GB2312, ASCII text must come
// through unchanged.
#include <cstring>
#include <memory>

#include "fuzz.h"
#include "qelstr.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string in(reinterpret_cast<const char*>(data), size);
  const std::string src = in.substr(0, in.find('\0'));
  // Both in heap blocks of exactly their size, so ASan sees a read or write past them.
  std::unique_ptr<char[]> text(new char[src.size() + 1]), out(new char[src.size() + 1]);
  std::memcpy(text.get(), src.c_str(), src.size() + 1);
  const int n = qelstr_utf8_to_gb(out.get(), text.get());
  const std::string got = out.get();
  kwvfuzz::check(n == static_cast<int>(got.size()), "result", std::to_string(got.size()),
                 std::to_string(n));
  std::string want;
  if (kwvfuzz::to_gb2312(src, want)) kwvfuzz::check(got == want, "conversion", want, got);
  return 0;
}
