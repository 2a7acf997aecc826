// Single-value properties: names, line shapes, capacities, BDAY formatting.
#include <climits>
#include <functional>

#include "KwvCard.h"
#include "test_support.h"

using kwvtest::framed;
using kwvtest::read_file;
using kwvtest::Text;

namespace {

struct Property {
  const char* prefix;  // everything before ':' under the default settings
  std::size_t capacity;
  std::function<int(KwvCard&, char*)> add;
};

const Property kProperties[] = {
    {"TITLE;CHARSET=UTF-8", 800, [](KwvCard& c, char* v) { return c.QEL_AddTitle(v); }},
    {"NOTE;CHARSET=UTF-8", 1600, [](KwvCard& c, char* v) { return c.QEL_AddComment(v); }},
    {"URL;CHARSET=UTF-8", 800, [](KwvCard& c, char* v) { return c.QEL_AddURL(v); }},
    {"ROLE;CHARSET=UTF-8", 500, [](KwvCard& c, char* v) { return c.QEL_AddBusCat(v); }},
    {"IM;CHARSET=UTF-8", 500, [](KwvCard& c, char* v) { return c.QEL_AddIM(v); }},
    {"DEPARTMENT;CHARSET=UTF-8", 800, [](KwvCard& c, char* v) { return c.QEL_AddDepartment(v); }},
    {"X-ZEB-ANNIVERSARY;CHARSET=UTF-8", 800,
     [](KwvCard& c, char* v) { return c.QEL_AddAnniversary(v); }},
    {"X-ZEB-SPOUSE;CHARSET=UTF-8", 800, [](KwvCard& c, char* v) { return c.QEL_AddSpouse(v); }},
    {"X-ZEB-CHILD;CHARSET=UTF-8", 800, [](KwvCard& c, char* v) { return c.QEL_AddChildren(v); }},
    {"X-ZEB-NICKNAME;CHARSET=UTF-8", 800, [](KwvCard& c, char* v) { return c.QEL_AddNickname(v); }},
    {"X-ZEB-MANAGER;CHARSET=UTF-8", 800, [](KwvCard& c, char* v) { return c.QEL_AddManager(v); }},
    {"X-ZEB-ASSISTANT;CHARSET=UTF-8", 800,
     [](KwvCard& c, char* v) { return c.QEL_AddAssistant(v); }},
    {"EMAIL;CHARSET=UTF-8;INTERNET", 800, [](KwvCard& c, char* v) { return c.QEL_AddEmail(v); }},
    {"EMAIL;CHARSET=UTF-8;internet", 800,
     [](KwvCard& c, char* v) {
       Text type("internet");
       return c.QEL_AddEmail(type, v);
     }},
};

class TextPropertyTest : public kwvtest::TempDirTest {
 protected:
  // Writes one property on a fresh card; returns the call's result.
  int write_one(const Property& prop, const std::string& value) {
    Text p(path()), v(value);
    KwvCard card(p);
    const int n = prop.add(card, v);
    card.QEL_EndPacking();
    return n;
  }
};

TEST_F(TextPropertyTest, EachPropertyWritesItsLine) {
  for (const Property& prop : kProperties) {
    const std::string line = std::string(prop.prefix) + ":a;b:c\\n \xC3\xA9\r\n";
    EXPECT_EQ(write_one(prop, "a;b:c\\n \xC3\xA9"), static_cast<int>(line.size()));
    EXPECT_EQ(read_file(path()), framed(line)) << prop.prefix;

    EXPECT_EQ(write_one(prop, ""), static_cast<int>(std::strlen(prop.prefix) + 3));
    EXPECT_EQ(read_file(path()), framed(std::string(prop.prefix) + ":\r\n"));
  }
}

TEST_F(TextPropertyTest, LineOfCapacityMinusOneFitsAndLongerIsRefused) {
  for (const Property& prop : kProperties) {
    // prefix, ':', value and CR LF make capacity - 1 characters.
    const std::size_t fits = prop.capacity - 1 - std::strlen(prop.prefix) - 3;
    const std::string value(fits, 'v');
    EXPECT_EQ(write_one(prop, value), static_cast<int>(prop.capacity - 1)) << prop.prefix;
    EXPECT_EQ(read_file(path()), framed(std::string(prop.prefix) + ":" + value + "\r\n"));

    EXPECT_EQ(write_one(prop, value + "v"), 0) << prop.prefix;
    EXPECT_EQ(read_file(path()), framed(""));
  }
}

TEST_F(TextPropertyTest, NullArgumentsWriteNothing) {
  Text p(path()), v("x");
  KwvCard card(p);
  for (const Property& prop : kProperties) EXPECT_EQ(prop.add(card, nullptr), 0) << prop.prefix;
  EXPECT_EQ(card.QEL_AddEmail(nullptr, v), 0);
  card.QEL_EndPacking();
  EXPECT_EQ(read_file(path()), framed(""));
}

TEST_F(TextPropertyTest, BirthdayIsYearMonthDayWithoutParameters) {
  struct Case {
    int day, month, year;
    const char* line;
  } cases[] = {
      {7, 3, 1980, "BDAY:1980-03-07\r\n"},
      {1, 1, 5, "BDAY:0005-01-01\r\n"},
      {0, 0, 0, "BDAY:0000-00-00\r\n"},
      {31, 12, 12345, "BDAY:12345-12-31\r\n"},
      {-1, -2, -3, "BDAY:-003--2--1\r\n"},
      {INT_MIN, INT_MIN, INT_MIN, "BDAY:-2147483648--2147483648--2147483648\r\n"},
  };
  std::string expected;
  Text p(path()), lang("fr");
  KwvCard card(p);
  card.QEL_ChangeLang(lang);
  for (const Case& c : cases) {
    card.QEL_AddBday(c.day, c.month, c.year);
    expected += c.line;
  }
  card.QEL_EndPacking();
  EXPECT_EQ(read_file(path()), framed(expected));
}

}  // namespace
