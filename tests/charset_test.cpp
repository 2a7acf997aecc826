// Charset and language parameters, the settings, and GB2312 conversion.
#include "KwvCard.h"
#include "test_support.h"

using kwvtest::framed;
using kwvtest::read_file;
using kwvtest::Text;

namespace {

// "中文" in UTF-8 and in GB2312 (EUC-CN).
const std::string kChineseUtf8 = "\xE4\xB8\xAD\xE6\x96\x87";
const std::string kChineseGb = "\xD6\xD0\xCE\xC4";

class CharsetTest : public kwvtest::TempDirTest {
 protected:
  // Writes one TITLE line under the given settings; returns the line.
  std::string title_line(const std::string& charset, const std::string& lang,
                         const std::string& value) {
    Text p(path()), cs(charset), lg(lang), v(value);
    KwvCard card(p);
    card.QEL_ChangeCharSet(cs);
    card.QEL_ChangeLang(lg);
    const int n = card.QEL_AddTitle(v);
    card.QEL_EndPacking();
    const std::string file = read_file(path());
    const std::string line = file.substr(26, file.size() - 26 - 11);
    EXPECT_EQ(file, framed(line));
    EXPECT_EQ(n, static_cast<int>(line.size()));
    return line;
  }
};

TEST_F(CharsetTest, ParametersFollowTheSettings) {
  struct Case {
    const char* charset;
    const char* lang;
    const char* line;
  } cases[] = {
      {"UTF-8", "en-US", "TITLE;CHARSET=UTF-8:v\r\n"},
      {"ASCII", "en-US", "TITLE:v\r\n"},
      {"ascii", "en-US", "TITLE;CHARSET=ascii:v\r\n"},
      {"UTF-8", "zh-CN", "TITLE;CHARSET=UTF-8;LANGUAGE=zh-CN:v\r\n"},
      {"ASCII", "en-us", "TITLE;LANGUAGE=en-us:v\r\n"},
      {"ASCII ", "en-US ", "TITLE;CHARSET=ASCII ;LANGUAGE=en-US :v\r\n"},
      {"", "", "TITLE;CHARSET=;LANGUAGE=:v\r\n"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(title_line(c.charset, c.lang, "v"), c.line) << c.charset << "/" << c.lang;
  }
}

TEST_F(CharsetTest, Gb2312PrefixConvertsTheWholeLine) {
  for (const char* cs : {"GB2312", "gb2312", "GB2312-80", "gB2312x"}) {
    EXPECT_EQ(title_line(cs, "zh-CN", kChineseUtf8),
              "TITLE;CHARSET=" + std::string(cs) + ";LANGUAGE=zh-CN:" + kChineseGb + "\r\n");
  }
}

TEST_F(CharsetTest, OtherCharsetsAreNotConverted) {
  for (const char* cs : {"GB231", "GBK", "ASCII", "UTF-8"}) {
    const std::string param = std::string(cs) == "ASCII" ? "" : ";CHARSET=" + std::string(cs);
    EXPECT_EQ(title_line(cs, "en-US", kChineseUtf8), "TITLE" + param + ":" + kChineseUtf8 + "\r\n");
  }
}

TEST_F(CharsetTest, ConversionAppliesToLinesWithoutParameters) {
  Text p(path()), cs("ASCII"), addr(kChineseUtf8 + "@example.cn");
  KwvCard card(p);
  card.QEL_ChangeCharSet(cs);
  card.QEL_AddEmail(addr);  // ASCII: neither parameter nor conversion
  Text gb("GB2312");
  card.QEL_ChangeCharSet(gb);
  card.QEL_AddBday(7, 3, 1980);
  card.QEL_AddEmail(addr);
  card.QEL_EndPacking();
  EXPECT_EQ(read_file(path()),
            framed("EMAIL;INTERNET:" + kChineseUtf8 + "@example.cn\r\n" + "BDAY:1980-03-07\r\n" +
                   "EMAIL;CHARSET=GB2312;INTERNET:" + kChineseGb + "@example.cn\r\n"));
}

TEST_F(CharsetTest, SettingsAreCutTo39Bytes) {
  KwvCard card(nullptr);
  for (std::size_t len : {38u, 39u, 40u, 200u}) {
    Text s(std::string(len, 'c'));
    const int kept = static_cast<int>(len < 39 ? len : 39);
    EXPECT_EQ(card.QEL_ChangeCharSet(s), kept);
    EXPECT_EQ(card.QEL_ChangeLang(s), kept);
    EXPECT_EQ(std::string(card.QEL_GetCharSet()), std::string(kept, 'c'));
    EXPECT_EQ(std::string(card.QEL_GetLang()), std::string(kept, 'c'));
  }
  EXPECT_EQ(card.QEL_ChangeCharSet(nullptr), 0);
  EXPECT_EQ(std::string(card.QEL_GetCharSet()), std::string(39, 'c'));
}

TEST_F(CharsetTest, LongestParametersStillFit) {
  const std::string cs(39, 'C'), lg(39, 'L');
  EXPECT_EQ(title_line(cs + "extra", lg + "extra", "v"),
            "TITLE;CHARSET=" + cs + ";LANGUAGE=" + lg + ":v\r\n");
}

TEST_F(CharsetTest, SetDefaultRestoresBothSettings) {
  KwvCard card(nullptr);
  Text cs("GB2312"), lg("zh-CN");
  card.QEL_ChangeCharSet(cs);
  card.QEL_ChangeLang(lg);
  EXPECT_EQ(card.QEL_SetDefault(), 5);
  EXPECT_STREQ(card.QEL_GetCharSet(), "UTF-8");
  EXPECT_STREQ(card.QEL_GetLang(), "en-US");
}

TEST_F(CharsetTest, AddCharLangAppendsToTheCallersLine) {
  KwvCard card(nullptr);
  char line[120] = "NOTE";
  card.QEL_AddCharLang(line);
  EXPECT_STREQ(line, "NOTE;CHARSET=UTF-8");
  Text cs("ASCII"), lg("de");
  card.QEL_ChangeCharSet(cs);
  card.QEL_ChangeLang(lg);
  card.QEL_AddCharLang(line);
  EXPECT_STREQ(line, "NOTE;CHARSET=UTF-8;LANGUAGE=de");
}

}  // namespace
