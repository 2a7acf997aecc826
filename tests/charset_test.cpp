// Charset and language parameters, the settings, and GB2312 conversion.
#include "test_support.h"

namespace {

using CharsetTest = kwvtest::CardTest;

TEST_F(CharsetTest, ParametersAndConversionFollowTheSettings) {
  const std::string zh = "\xE4\xB8\xAD\xE6\x96\x87", gb = "\xD6\xD0\xCE\xC4";  // 中文
  const std::string c39(39, 'C'), l39(39, 'L');
  struct Case {
    std::string charset, lang, line;
  } cases[] = {
      {"UTF-8", "en-US", "TITLE;CHARSET=UTF-8:" + zh},
      {"ASCII", "en-US", "TITLE:" + zh},
      {"ascii", "en-US", "TITLE;CHARSET=ascii:" + zh},
      {"UTF-8", "zh-CN", "TITLE;CHARSET=UTF-8;LANGUAGE=zh-CN:" + zh},
      {"ASCII", "en-us", "TITLE;LANGUAGE=en-us:" + zh},
      {"", "", "TITLE;CHARSET=;LANGUAGE=:" + zh},
      {"GB2312", "zh-CN", "TITLE;CHARSET=GB2312;LANGUAGE=zh-CN:" + gb},
      {"gb2312", "en-US", "TITLE;CHARSET=gb2312:" + gb},
      {"Gb2312-80", "en-US", "TITLE;CHARSET=Gb2312-80:" + gb},
      {"GB231", "en-US", "TITLE;CHARSET=GB231:" + zh},
      {"GBK", "en-US", "TITLE;CHARSET=GBK:" + zh},
      {c39 + "cut", l39 + "cut", "TITLE;CHARSET=" + c39 + ";LANGUAGE=" + l39 + ":" + zh},
  };
  std::string expected;
  for (const Case& c : cases) {
    card().QEL_ChangeCharSet(s(c.charset));
    card().QEL_ChangeLang(s(c.lang));
    EXPECT_EQ(card().QEL_AddTitle(s(zh)), static_cast<int>(c.line.size() + 2)) << c.line;
    expected += c.line + "\r\n";
  }
  EXPECT_EQ(body(), expected);
}

TEST_F(CharsetTest, SettingsAreCutTo39BytesAndRestoredByDefault) {
  for (std::size_t len : {0u, 38u, 39u, 40u, 200u}) {
    const std::string kept(len < 39 ? len : 39, 'c');
    EXPECT_EQ(card().QEL_ChangeCharSet(s(std::string(len, 'c'))), static_cast<int>(kept.size()));
    EXPECT_EQ(card().QEL_ChangeLang(s(std::string(len, 'c'))), static_cast<int>(kept.size()));
    EXPECT_EQ(card().QEL_GetCharSet() + std::string("/") + card().QEL_GetLang(), kept + "/" + kept);
  }
  EXPECT_EQ(card().QEL_ChangeCharSet(nullptr) + card().QEL_ChangeLang(nullptr), 0);
  EXPECT_EQ(card().QEL_GetCharSet(), std::string(39, 'c'));
  EXPECT_EQ(card().QEL_SetDefault(), 5);
  char line[120] = "NOTE";
  card().QEL_AddCharLang(line);
  card().QEL_ChangeCharSet(s("ASCII"));
  card().QEL_ChangeLang(s("de"));
  card().QEL_AddCharLang(line);
  EXPECT_STREQ(line, "NOTE;CHARSET=UTF-8;LANGUAGE=de");
}

}  // namespace
