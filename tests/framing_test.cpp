// Card life cycle: header and trailer, Unopened and closed cards, close failure.
#include <filesystem>

#include "test_support.h"

using kwvtest::framed;
using kwvtest::read_file;

namespace {

using FramingTest = kwvtest::CardTest;

// Calls every property operation; returns the sum of the results.
int call_everything(KwvCard& c, char* v) {
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

TEST_F(FramingTest, NewCardTruncatesAndFramesTheFile) {
  char* other = file("other.vcf", std::string(5000, 'z'));
  KwvCard(other).QEL_EndPacking();
  EXPECT_EQ(read_file(other), "BEGIN:VCARD\r\nVERSION:2.1\r\nEND:VCARD\r\n");
  EXPECT_EQ(body(), "");
}

TEST_F(FramingTest, UnopenedAndClosedCardsWriteNothing) {
  KwvCard unopened(s(path("missing/card.vcf"))), no_path(nullptr);
  char* media = file("photo.jpg", "abc");
  EXPECT_EQ(call_everything(unopened, media) + call_everything(no_path, media), 0);
  EXPECT_EQ(unopened.QEL_ChangeLang(s("fr")), 2);  // settings still work
  EXPECT_STREQ(unopened.QEL_GetLang(), "fr");
  testing::internal::CaptureStdout();
  unopened.QEL_EndPacking();
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
  EXPECT_FALSE(std::filesystem::exists(path("missing")));

  EXPECT_EQ(body(), "");
  EXPECT_EQ(call_everything(card(), media), 0);
  card().QEL_EndPacking();
  EXPECT_EQ(read_file(path()), framed(""));
}

TEST_F(FramingTest, DestroyedCardLeavesItsLinesWithoutTrailer) {
  KwvCard(s(path("left.vcf"))).QEL_AddTitle(s("Boss"));
  EXPECT_EQ(read_file(path("left.vcf")),
            "BEGIN:VCARD\r\nVERSION:2.1\r\nTITLE;CHARSET=UTF-8:Boss\r\n");
}

TEST_F(FramingTest, CloseFailureIsReportedOnStandardOutput) {
  KwvCard full(s("/dev/full"));
  testing::internal::CaptureStdout();
  full.QEL_EndPacking();
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "Cannot close the file\n");
  EXPECT_EQ(full.QEL_AddTitle(s("x")), 0);
}

}  // namespace
