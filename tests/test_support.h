// Shared test helpers: a temporary directory per test, reading files back,
// writable text for the char* API, and the card frame.
#ifndef KWVCARD_TESTS_TEST_SUPPORT_H
#define KWVCARD_TESTS_TEST_SUPPORT_H

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>

namespace kwvtest {

inline std::string read_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void write_file(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

inline std::string framed(const std::string& body) {
  return "BEGIN:VCARD\r\nVERSION:2.1\r\n" + body + "END:VCARD\r\n";
}

// Writable, NUL-terminated copy of a string in a heap block of exactly its
// size, so the sanitizers catch any read past the terminator.
class Text {
 public:
  explicit Text(const std::string& s) : buf_(new char[s.size() + 1]) {
    std::memcpy(buf_.get(), s.c_str(), s.size() + 1);
  }
  operator char*() { return buf_.get(); }
  std::string str() const { return buf_.get(); }

 private:
  std::unique_ptr<char[]> buf_;
};

// Each test gets its own empty directory, removed afterwards.
class TempDirTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string tmpl = (std::filesystem::temp_directory_path() / "kwvcard-XXXXXX").string();
    ASSERT_NE(mkdtemp(tmpl.data()), nullptr);
    dir_ = tmpl;
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }

  std::string path(const std::string& name = "card.vcf") const { return dir_ + "/" + name; }

 private:
  std::string dir_;
};

}  // namespace kwvtest

#endif
