// Shared test helpers: a temporary directory per test with a card open in it,
// writable text for the char* API, and reading the written file back.
#ifndef KWVCARD_TESTS_TEST_SUPPORT_H
#define KWVCARD_TESTS_TEST_SUPPORT_H

#include <gtest/gtest.h>
#include <iconv.h>
#include <stdlib.h>

#include <cstdint>
#include <cstring>
#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <set>
#include <string>

#include "KwvCard.h"
#include "KwvCard.hpp"
#include "plain_base64.h"

namespace kwvtest {

inline std::string read_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline std::string framed(const std::string& body) {
  return "BEGIN:VCARD\r\nVERSION:2.1\r\n" + body + "END:VCARD\r\n";
}

// A base64 text folded as a card writes it: 75 characters a physical line,
// CR LF and four spaces before each further one, CR LF at the end.
inline std::string folded(const std::string& text) {
  std::string out;
  for (std::size_t pos = 0; pos < text.size(); pos += 75) {
    out += (pos > 0 ? "\r\n    " : "") + text.substr(pos, 75);
  }
  return out + "\r\n";
}

// Whether this system's iconv converts UTF-8 to `charset` (the ARM sysroots
// the cross builds run on have no conversion modules).
inline bool iconv_knows(const char* charset) {
  const iconv_t cd = iconv_open(charset, "UTF-8");
  if (cd == reinterpret_cast<iconv_t>(-1)) return false;
  iconv_close(cd);
  return true;
}

// `text` with quoted-printable undone: soft line breaks ("=" CR LF) removed
// and each "=XX" made its byte. Written independently of the card writer.
inline std::string qp_decode(const std::string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '=') {
      out += text[i];
    } else if (text.compare(i + 1, 2, "\r\n") == 0) {
      i += 2;
    } else {
      out += static_cast<char>(std::stoi(text.substr(i + 1, 2), nullptr, 16));
      i += 2;
    }
  }
  return out;
}

// Calls every property operation with `v` for each text; returns the sum of
// the results.
inline int call_everything(KwvCard& c, char* v) {
  c.QEL_AddBday(1, 2, 2000);
  c.QEL_AddRefPhoto(v);
  c.QEL_AddRefSound(v);
  return c.QEL_AddTitle(v) + c.QEL_AddComment(v) + c.QEL_AddURL(v) + c.QEL_AddBusCat(v) +
         c.QEL_AddIM(v) + c.QEL_AddDepartment(v) + c.QEL_AddAnniversary(v) + c.QEL_AddSpouse(v) +
         c.QEL_AddChildren(v) + c.QEL_AddNickname(v) + c.QEL_AddManager(v) + c.QEL_AddAssistant(v) +
         c.QEL_AddEmail(v) + c.QEL_AddEmail(v, v) + c.QEL_AddTel(v) + c.QEL_AddName(v, v) +
         c.QEL_AddOrg(v, v) + c.QEL_AddAddress(v, v) + c.QEL_AttachPhoto(v, v) +
         c.QEL_AttachSound(v, v);
}

// Each test gets an empty directory (removed afterwards) and a card on
// dir/card.vcf.
class CardTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string tmpl = (std::filesystem::temp_directory_path() / "kwvcard-XXXXXX").string();
    ASSERT_NE(mkdtemp(tmpl.data()), nullptr);
    dir_ = tmpl;
    card_ = std::make_unique<KwvCard>(s(path()));
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }

  std::string path(const std::string& name = "card.vcf") const { return dir_ + "/" + name; }
  KwvCard& card() { return *card_; }

  // A writable NUL-terminated copy of `text` in a heap block of exactly its
  // size (so the sanitizers see any read past the terminator), kept until the
  // test ends.
  char* s(const std::string& text) {
    texts_.emplace_back(new char[text.size() + 1]);
    return static_cast<char*>(std::memcpy(texts_.back().get(), text.c_str(), text.size() + 1));
  }

  // Writes `bytes` to dir/name and returns that path as writable text.
  char* file(const std::string& name, const std::string& bytes) {
    std::ofstream(path(name), std::ios::binary) << bytes;
    return s(path(name));
  }

  // The lines `layer` writes through a kwv::Card on dir/only.vcf (the card's
  // body, between header and trailer); `layer` must return `result`.
  std::string only(const std::function<bool(kwv::Card&)>& layer, bool result) {
    kwv::Card card(path("only.vcf"));
    EXPECT_EQ(layer(card), result);
    EXPECT_TRUE(card.close());
    const std::string all = read_file(path("only.vcf"));
    return all.substr(26, all.size() - framed("").size());
  }

  // Closes the card and returns what lies between header and trailer, after
  // checking that those frame the file.
  std::string body() {
    card().QEL_EndPacking();
    const std::string all = read_file(path());
    const std::size_t frame = framed("").size();
    const std::string inner = all.size() >= frame ? all.substr(26, all.size() - frame) : all;
    EXPECT_EQ(all, framed(inner));
    return inner;
  }

 private:
  std::string dir_;
  std::deque<std::unique_ptr<char[]>> texts_;
  std::unique_ptr<KwvCard> card_;
};

#ifdef KWVCARD_TOOL
#include <sys/wait.h>

// Runs the kwvcard tool in the test's directory.
class ToolTest : public CardTest {
 protected:
  struct Run {
    int status;
    std::string messages;  // standard error
  };

  // Runs `kwvcard <args>` in the test's directory.
  Run run(const std::string& args) {
    const std::string command =
        "cd '" + path("") + "' && " KWVCARD_TOOL " " + args + " 2>messages.txt >/dev/null";
    const int status = std::system(command.c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, read_file(path("messages.txt"))};
  }

  // Golden files: runs `kwvcard import in.<ext> --out out.vcf <args>` on
  // `dir`/NAME.<ext> (with the folder's other data files, photos say, beside
  // it) and compares the cards with EXPECTED.expected.vcf and standard error
  // with EXPECTED.messages (EXPECTED: NAME, or NAME.<variant>); the status is 1
  // when a message names a value, else 0.
  void expect_golden(const std::string& dir, const std::string& name, const std::string& ext,
                     const std::string& args = "", const std::string& variant = "") {
    for (auto& entry : std::filesystem::directory_iterator(dir)) {
      const std::string file = entry.path().filename().string();
      if (file.rfind(name + ".", 0) != 0 && entry.path().extension() != ext) {
        std::filesystem::copy_file(entry.path(), path(file),
                                   std::filesystem::copy_options::overwrite_existing);
      }
    }
    std::filesystem::copy_file(dir + "/" + name + ext, path("in" + ext),
                               std::filesystem::copy_options::overwrite_existing);
    const Run r = run("import in" + ext + " --out out.vcf " + args);
    const std::string expected = dir + "/" + name + (variant.empty() ? "" : "." + variant);
    const std::string messages = read_file(expected + ".messages");
    EXPECT_EQ(r.status, messages.find("kwvcard: ") == std::string::npos ? 0 : 1) << expected;
    EXPECT_EQ(r.messages, messages) << expected;
    EXPECT_EQ(read_file(path("out.vcf")), read_file(expected + ".expected.vcf")) << expected;
  }

  std::set<std::string> files(const std::string& folder = "") const {
    std::set<std::string> names;
    for (auto& entry : std::filesystem::directory_iterator(path(folder))) {
      names.insert(entry.path().filename().string());
    }
    return names;
  }
};
#endif

}  // namespace kwvtest

#endif
