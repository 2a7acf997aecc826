// The matcher: which vocabulary a header row is read in, and how many of its
// columns that vocabulary knows.
#include <gtest/gtest.h>

#include "columns/formats.h"

namespace {

TEST(ColumnsTest, TheVocabularyThatKnowsMostColumnsIsUsed) {
  const struct {
    std::vector<std::string> header;
    std::string vocabulary;
    std::size_t known;
  } cases[] = {
      {{"First Name", "Last Name", "Job Title", "Business Phone"}, "Outlook", 4},
      {{"Vorname", "Nachname", "Mobiltelefon", "Telefon geschäftlich"}, "Outlook (German)", 4},
      {{"名字", "姓氏", "手机", "公司电话"}, "Outlook (Chinese, simplified)", 4},
      {{"First Name", "Display Name", "Primary Email", "Mobile Number"}, "Thunderbird", 4},
      {{"Отображаемое имя", "Имя", "Номер сотового телефона"}, "Thunderbird (Russian)", 3},
      {{"First Name", "Organization Name", "Phone 1 - Label", "Phone 1 - Value"},
       "Google Contacts",
       4},
      {{"姓名", "手机", "手机2", "办公电话", "单位", "微信号"}, "a list (Chinese)", 5},
      {{" full NAME ", "MOBILE", "phone 2", "Wechat ID"}, "a list (English)", 3},
      {{"ΌΝΟΜΑ", "Tél. MOBILE"}, "Outlook (French)", 1},  // case folded beyond ASCII
  };
  for (const auto& c : cases) {
    const auto format = kwvcard::recognise(c.header);
    ASSERT_TRUE(format) << c.vocabulary;
    EXPECT_EQ(format->name, c.vocabulary);
    EXPECT_EQ(format->recognised, c.known) << c.vocabulary;
  }
  EXPECT_FALSE(kwvcard::recognise({"A", "B", "电话号"}));  // never a substring
  EXPECT_EQ(kwvcard::fold(" ÄÖÜ ΣΩ ЖЯ Łódź "), "äöü σω жя łódź");
}

}  // namespace
