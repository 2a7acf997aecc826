// The C interface (kwvcard.h): the exact lines of its calls, every refusal
// with its reason and nothing written, null cards, and files that cannot be
// created.
#include "kwvcard.h"

#include <errno.h>

#include "test_support.h"

namespace {

using kwvtest::read_file;
using Write = std::function<bool(kwv_card*)>;

// One call (or a few, joined with &&) on the card `c`, as a table row.
#define KWV_CALL(...) [&](kwv_card* c) { return __VA_ARGS__; }

class CInterfaceTest : public kwvtest::CardTest {
 protected:
  // What `write` leaves between header and trailer of a card of its own, after
  // checking its result and the card's refusal (null when it wrote its line).
  std::string body_of(const Write& write, const char* refusal) {
    kwv_card* card = kwv_card_open(path("c.vcf").c_str());
    EXPECT_EQ(write(card), refusal == nullptr);
    EXPECT_STREQ(kwv_card_refusal(card), refusal);
    EXPECT_TRUE(kwv_card_close(card));
    const std::string all = read_file(path("c.vcf"));
    return all.substr(26, all.size() - 26 - 11);
  }
};

const kwv_text kName[] = {{"Doe; Jr", KWV_NUL_TERMINATED}, {"Janet", 4}};
constexpr kwv_encoding kQp = KWV_ENCODING_QUOTED_PRINTABLE;

TEST_F(CInterfaceTest, EachCallWritesItsLine) {
  const std::string png = file("face.png", std::string("\x89PNG\r\n\x1A\n\0", 9));
  kwv_address home = {};  // components left zeroed are empty
  home.street = KWV_TEXT("1 Main St");
  home.city = {"Springfield", 6};
  const char* zhong = "\xE4\xB8\xAD";
  // clang-format off
  const struct { Write write; std::string lines; } kCases[] = {
      {KWV_CALL(kwv_card_title(c, "Engineer, retired", 8)), "TITLE;CHARSET=UTF-8:Engineer\r\n"},
      {KWV_CALL(kwv_card_nickname(c, nullptr, 0)), "X-ZEB-NICKNAME;CHARSET=UTF-8:\r\n"},
      {KWV_CALL(kwv_card_name(c, kName, 2)), "N;CHARSET=UTF-8:Doe\\; Jr;Jane\r\n"},
      {KWV_CALL(kwv_card_org(c, nullptr, 0)), "ORG;CHARSET=UTF-8:\r\n"},
      {KWV_CALL(kwv_card_address(c, &home, KWV_ADR_HOME | KWV_ADR_POSTAL)),
       "ADR;CHARSET=UTF-8;POSTAL;HOME:;;1 Main St;Spring;;;\r\n"},
      {KWV_CALL(kwv_card_tel(c, "+1", KWV_NUL_TERMINATED, KWV_TEL_CELL | KWV_TEL_PREF) &&
                kwv_card_tel(c, "2", 1, 0)),
       "TEL;PREF;CELL:+1\r\nTEL:2\r\n"},
      {KWV_CALL(kwv_card_birthday(c, 1980, 3, 7)), "BDAY:1980-03-07\r\n"},
      {KWV_CALL(kwv_card_sound_url(c, "http://x", 8)),
       "SOUND;VALUE=URL;CHARSET=UTF-8:http://x\r\n"},
      {KWV_CALL(kwv_card_photo(c, png.c_str(), nullptr)),
       "PHOTO;ENCODING=BASE64;TYPE=PNG:" + kwvtest::folded(kwvtest::base64(read_file(png)))},
      {KWV_CALL(kwv_card_encoding(c, kQp) && kwv_card_note(c, "\xC3\xA9\nb", 4)),
       "NOTE;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:=C3=A9=0D=0Ab\r\n"},
      // GB2312, 8-bit and quoted-printable; the euro sign it lacks is replaced.
      {KWV_CALL(kwv_card_charset(c, "GB2312") && kwv_card_language(c, "zh-CN") &&
                kwv_card_title(c, zhong, 3) && kwv_card_replaced(c) == 0 &&
                kwv_card_encoding(c, kQp) && kwv_card_role(c, "\xE4\xB8\xAD\xE2\x82\xAC", 6) &&
                kwv_card_replaced(c) == 1),
       "TITLE;CHARSET=GB2312;LANGUAGE=zh-CN:\xD6\xD0\r\n"
       "ROLE;CHARSET=GB2312;ENCODING=QUOTED-PRINTABLE;LANGUAGE=zh-CN:=D6=D0?\r\n"},
  };
  // clang-format on
  for (std::size_t i = 0; i < std::size(kCases); ++i)
    EXPECT_EQ(body_of(kCases[i].write, nullptr), kCases[i].lines) << "case " << i;
}

TEST_F(CInterfaceTest, RefusalsWriteNothingAndSayWhy) {
  const std::string too_long(1600, 'n'), png = file("face.png", "png");
  const kwv_text six[6] = {}, backslash[] = {KWV_TEXT("Doe\\"), KWV_TEXT("Jane")};
  const kwv_address nowhere = {};
  const char *null_text = "a null text with a nonzero length",
             *types = "a type bit outside the property's types",
             *media = "no regular file of at most 1610612733 bytes, or no known type for it",
             *charset = "not a charset the card can write";
  // clang-format off
  const struct { Write write; const char* why; } kCases[] = {
      {KWV_CALL(kwv_card_title(c, nullptr, 3)), null_text},
      {KWV_CALL(kwv_card_address(c, nullptr, 0)), null_text},
      {KWV_CALL(kwv_card_note(c, "a\0b", 3)), "a NUL byte, which would cut the value"},
      {KWV_CALL(kwv_card_title(c, "a\r\nb", KWV_NUL_TERMINATED)),
       "a line break, which an 8-bit value cannot hold"},
      {KWV_CALL(kwv_card_encoding(c, kQp) && kwv_card_tel(c, "1\n2", 3, 0)),
       "a line break, which a telephone number cannot hold"},
      {KWV_CALL(kwv_card_note(c, too_long.data(), too_long.size())),
       "too long for its line once converted and encoded"},
      {KWV_CALL(kwv_card_name(c, six, 6)), "more components than the property holds"},
      {KWV_CALL(kwv_card_name(c, backslash, 2)),
       "a component other than the last ends in a backslash, which would escape the separator"},
      {KWV_CALL(kwv_card_tel(c, "1", 1, KWV_TEL_HOME << 1)), types},
      {KWV_CALL(kwv_card_address(c, &nowhere, KWV_ADR_WORK << 1)), types},
      {KWV_CALL(kwv_card_birthday(c, 1980, 13, 1)),
       "not a date: year 0 to 9999, month 1 to 12, day 1 to 31"},
      {KWV_CALL(kwv_card_photo(c, png.c_str(), "JP:EG")), media},
      {KWV_CALL(kwv_card_sound(c, png.c_str(), nullptr)), media},
      {KWV_CALL(kwv_card_charset(c, "")), charset},
      {KWV_CALL(kwv_card_charset(c, "UTF-16")), charset},
      {KWV_CALL(kwv_card_language(c, "de;x")), "not a language tag a parameter can hold"},
      {KWV_CALL(kwv_card_encoding(c, 2)),
       "not an encoding, or quoted-printable with a charset name over 13 bytes"},
  };
  // clang-format on
  for (std::size_t i = 0; i < std::size(kCases); ++i) {
    // A character ASCII lacks first, so that the refusal is seen to reset replaced().
    const Write write = [&](kwv_card* c) {
      EXPECT_TRUE(kwv_card_charset(c, "ASCII") && kwv_card_url(c, "\xC3\xA9", 2));
      EXPECT_EQ(kwv_card_replaced(c), 1u);
      const bool written = kCases[i].write(c);
      EXPECT_EQ(kwv_card_replaced(c), 0u);
      return written;
    };
    EXPECT_EQ(body_of(write, kCases[i].why), "URL:?\r\n") << "case " << i;
  }
}

TEST_F(CInterfaceTest, NullCardsAndFilesThatCannotBeCreated) {
  const kwv_address a = {};
  EXPECT_FALSE(kwv_card_title(nullptr, "t", 1) || kwv_card_name(nullptr, kName, 1) ||
               kwv_card_address(nullptr, &a, 0) || kwv_card_tel(nullptr, "1", 1, 0) ||
               kwv_card_birthday(nullptr, 2000, 1, 1) ||
               kwv_card_photo(nullptr, "a.png", nullptr) || kwv_card_charset(nullptr, "UTF-8") ||
               kwv_card_encoding(nullptr, 0) || kwv_card_close(nullptr));
  EXPECT_EQ(kwv_card_replaced(nullptr), 0u);
  EXPECT_STREQ(kwv_card_refusal(nullptr), "no card");
  const struct {
    std::string path;
    int error;
  } kCases[] = {
      {path("missing/c.vcf"), ENOENT}, {path(""), EISDIR}, {std::string(4096, 'p'), ENAMETOOLONG}};
  for (const auto& c : kCases) {
    errno = 0;
    EXPECT_EQ(kwv_card_open(c.path.c_str()), nullptr);
    EXPECT_EQ(errno, c.error) << c.path;
  }
  EXPECT_EQ(kwv_card_open(nullptr), nullptr);
  EXPECT_EQ(errno, EINVAL);
}

#undef KWV_CALL

}  // namespace
