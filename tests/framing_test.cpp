// Card life cycle: header, trailer, Unopened and closed cards, close failure.
#include <sys/stat.h>

#include "KwvCard.h"
#include "test_support.h"

using kwvtest::framed;
using kwvtest::read_file;
using kwvtest::Text;

namespace {

class FramingTest : public kwvtest::TempDirTest {};

// Calls every operation that has a result; returns their sum.
int call_every_operation(KwvCard& card) {
  Text v("x");
  int sum = card.QEL_AddTitle(v) + card.QEL_AddComment(v) + card.QEL_AddURL(v) +
            card.QEL_AddBusCat(v) + card.QEL_AddIM(v) + card.QEL_AddDepartment(v) +
            card.QEL_AddAnniversary(v) + card.QEL_AddSpouse(v) + card.QEL_AddChildren(v) +
            card.QEL_AddNickname(v) + card.QEL_AddManager(v) + card.QEL_AddAssistant(v) +
            card.QEL_AddEmail(v) + card.QEL_AddEmail(v, v);
  card.QEL_AddBday(1, 2, 2000);
  return sum;
}

TEST_F(FramingTest, NewCardClosedAtOnceHoldsHeaderAndTrailer) {
  Text p(path());
  KwvCard card(p);
  card.QEL_EndPacking();
  EXPECT_EQ(read_file(path()), "BEGIN:VCARD\r\nVERSION:2.1\r\nEND:VCARD\r\n");
}

TEST_F(FramingTest, LinesAppearInCallOrderWithoutDeduplication) {
  Text p(path()), a("https://a.example"), b("https://b.example");
  KwvCard card(p);
  card.QEL_AddURL(b);
  card.QEL_AddURL(a);
  card.QEL_AddURL(b);
  card.QEL_EndPacking();
  EXPECT_EQ(read_file(path()), framed("URL;CHARSET=UTF-8:https://b.example\r\n"
                                      "URL;CHARSET=UTF-8:https://a.example\r\n"
                                      "URL;CHARSET=UTF-8:https://b.example\r\n"));
}

TEST_F(FramingTest, ExistingFileIsTruncated) {
  kwvtest::write_file(path(), std::string(5000, 'z'));
  Text p(path());
  KwvCard card(p);
  card.QEL_EndPacking();
  EXPECT_EQ(read_file(path()), framed(""));
}

TEST_F(FramingTest, UnopenedCardWritesNothingButKeepsSettings) {
  Text p(path("missing-dir/card.vcf")), cs("ASCII");
  KwvCard card(p);
  EXPECT_EQ(call_every_operation(card), 0);
  EXPECT_EQ(card.QEL_ChangeCharSet(cs), 5);
  EXPECT_STREQ(card.QEL_GetCharSet(), "ASCII");
  testing::internal::CaptureStdout();
  card.QEL_EndPacking();
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
  struct stat st;
  EXPECT_NE(stat(path("missing-dir").c_str(), &st), 0);
}

TEST_F(FramingTest, NullPathGivesUnopenedCard) {
  KwvCard card(nullptr);
  EXPECT_EQ(call_every_operation(card), 0);
}

TEST_F(FramingTest, ClosedCardIgnoresFurtherCalls) {
  Text p(path());
  KwvCard card(p);
  card.QEL_EndPacking();
  EXPECT_EQ(call_every_operation(card), 0);
  card.QEL_EndPacking();
  EXPECT_EQ(read_file(path()), framed(""));
}

TEST_F(FramingTest, DestroyedCardLeavesLinesWithoutTrailer) {
  Text p(path()), t("Boss");
  { KwvCard(p).QEL_AddTitle(t); }
  EXPECT_EQ(read_file(path()), "BEGIN:VCARD\r\nVERSION:2.1\r\nTITLE;CHARSET=UTF-8:Boss\r\n");
}

TEST_F(FramingTest, CloseFailureIsReportedOnStandardOutput) {
  Text p("/dev/full");
  KwvCard card(p);
  testing::internal::CaptureStdout();
  card.QEL_EndPacking();
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "Cannot close the file\n");
  EXPECT_EQ(call_every_operation(card), 0);
}

}  // namespace
