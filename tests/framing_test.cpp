// Card life cycle: header and trailer, closed and destroyed cards (cards that
// cannot be created or closed: fault_test.cpp).
#include "test_support.h"

using kwvtest::call_everything;
using kwvtest::framed;
using kwvtest::read_file;

namespace {

using FramingTest = kwvtest::CardTest;

TEST_F(FramingTest, NewCardTruncatesAndFramesTheFile) {
  char* other = file("other.vcf", std::string(5000, 'z'));
  KwvCard(other).QEL_EndPacking();
  EXPECT_EQ(read_file(other), "BEGIN:VCARD\r\nVERSION:2.1\r\nEND:VCARD\r\n");
  EXPECT_EQ(body(), "");
}

TEST_F(FramingTest, ClosedCardWritesNothing) {
  EXPECT_EQ(body(), "");
  EXPECT_EQ(call_everything(card(), file("photo.jpg", "abc")), 0);
  card().QEL_EndPacking();
  EXPECT_EQ(read_file(path()), framed(""));
}

TEST_F(FramingTest, DestroyedCardLeavesItsLinesWithoutTrailer) {
  KwvCard(s(path("left.vcf"))).QEL_AddTitle(s("Boss"));
  EXPECT_EQ(read_file(path("left.vcf")),
            "BEGIN:VCARD\r\nVERSION:2.1\r\nTITLE;CHARSET=UTF-8:Boss\r\n");
}

}  // namespace
