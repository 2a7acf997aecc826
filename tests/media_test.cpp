// Photos and sounds: reference lines, inline base64 bodies and their folding.
#include <random>

#include "test_support.h"

namespace {

using MediaTest = kwvtest::CardTest;

using kwvtest::folded;

TEST_F(MediaTest, BodyIsFoldedAt75Characters) {
  std::mt19937 rng(75);
  std::string expected;
  for (std::size_t n : {0u, 1u, 2u, 3u, 54u, 56u, 57u, 58u, 225u, 226u, 100000u}) {
    std::string data(n, '\0');
    for (char& c : data) c = static_cast<char>(rng());
    EXPECT_EQ(card().QEL_AttachPhoto(file("m.bin", data), s("jpeg")), 1);
    expected += "PHOTO;ENCODING=BASE64;TYPE=JPEG:" + folded(kwvtest::base64(data));
  }
  // The same rule spelled out: 57 zero bytes are 76 'A's.
  card().QEL_AttachSound(file("m.bin", std::string(57, '\0')), s("wav"));
  expected += "SOUND;ENCODING=BASE64;TYPE=WAV:" + std::string(75, 'A') + "\r\n    A\r\n";
  EXPECT_EQ(body(), expected);
}

TEST_F(MediaTest, TypeIsUpperCasedInPlaceOnlyWhenWritten) {
  char* media = file("m.bin", "abc");
  char *mixed = s("x-Png1"), *lower = s("jpeg"), *fits = s(std::string(371, 't'));
  char* too_long = s(std::string(372, 't'));  // the header would fill its 400 bytes
  EXPECT_EQ(card().QEL_AttachPhoto(s(path("none.jpg")), lower), 0);
  EXPECT_EQ(card().QEL_AttachPhoto(media, too_long), 0);
  EXPECT_EQ(card().QEL_AttachPhoto(nullptr, lower) + card().QEL_AttachSound(media, nullptr), 0);
  EXPECT_STREQ(lower, "jpeg");
  EXPECT_EQ(too_long, std::string(372, 't'));
  EXPECT_EQ(card().QEL_AttachPhoto(media, mixed) + card().QEL_AttachSound(media, fits), 2);
  EXPECT_STREQ(mixed, "X-PNG1");
  EXPECT_EQ(body(), "PHOTO;ENCODING=BASE64;TYPE=X-PNG1:YWJj\r\nSOUND;ENCODING=BASE64;TYPE=" +
                        std::string(371, 'T') + ":YWJj\r\n");
}

TEST_F(MediaTest, ReferencesPrefixTheUrlLine) {
  char* url = s("http://x.example/\xE5\xBC\xA0.jpg");
  card().QEL_AddRefPhoto(url);
  card().QEL_AddRefPhoto(s(std::string(800, 'u')));  // URL line refused: nothing at all
  card().QEL_AddRefPhoto(nullptr);
  card().QEL_ChangeCharSet(s("ASCII"));
  card().QEL_AddRefSound(url);
  card().QEL_ChangeCharSet(s("GB2312"));
  card().QEL_AddRefSound(url);
  EXPECT_EQ(body(),
            "PHOTO;VALUE=URL;CHARSET=UTF-8:http://x.example/\xE5\xBC\xA0.jpg\r\n"
            "SOUND;VALUE=URL:http://x.example/\xE5\xBC\xA0.jpg\r\n"
            "SOUND;VALUE=URL;CHARSET=GB2312:http://x.example/\xD5\xC5.jpg\r\n");
}

TEST_F(MediaTest, BodyOfAnOpenStreamFromItsStart) {
  std::FILE* media = std::fopen(file("m.bin", "hello"), "rb");
  std::fgetc(media);
  card().QEL_Base64Encode(media);
  EXPECT_EQ(std::fgetc(media), EOF);  // left open, at its end
  KwvCard(nullptr).QEL_Base64Encode(media);
  std::fclose(media);
  EXPECT_EQ(body(), "aGVsbG8=\r\n");
}

}  // namespace
