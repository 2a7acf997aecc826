// Photos and sounds: reference lines, inline base64 bodies and their folding.
#include <unistd.h>

#include <random>

#include "KwvCard.h"
#include "test_support.h"

using kwvtest::framed;
using kwvtest::read_file;
using kwvtest::Text;

namespace {

// Plain base64, written independently of the library's encoder.
std::string base64(const std::string& in) {
  static const char* abc = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  std::uint32_t acc = 0;
  int bits = 0;
  for (unsigned char c : in) {
    acc = (acc << 8) | c;
    bits += 8;
    while (bits >= 6) out += abc[(acc >> (bits -= 6)) & 63];
  }
  if (bits > 0) out += abc[(acc << (6 - bits)) & 63];
  while (out.size() % 4 != 0) out += '=';
  return out;
}

// 75 characters per physical line, CR LF and four spaces before each further
// line, CR LF at the end.
std::string folded(const std::string& text) {
  std::string out;
  for (std::size_t pos = 0; pos < text.size(); pos += 75) {
    if (pos > 0) out += "\r\n    ";
    out += text.substr(pos, 75);
  }
  return out + "\r\n";
}

std::string random_bytes(std::size_t n) {
  std::mt19937 rng(static_cast<unsigned>(n));
  std::string s(n, '\0');
  for (char& c : s) c = static_cast<char>(rng());
  return s;
}

class MediaTest : public kwvtest::TempDirTest {
 protected:
  // Attaches `data` as a photo of type `type` on a fresh card; returns the result.
  int attach(const std::string& data, Text& type) {
    kwvtest::write_file(path("media.bin"), data);
    Text p(path()), m(path("media.bin"));
    KwvCard card(p);
    const int r = card.QEL_AttachPhoto(m, type);
    card.QEL_EndPacking();
    return r;
  }
};

TEST_F(MediaTest, BodyIsFoldedAt75Characters) {
  for (std::size_t n : {0u, 1u, 2u, 3u, 54u, 56u, 57u, 58u, 225u, 226u, 100000u}) {
    const std::string data = random_bytes(n);
    Text type("jpeg");
    EXPECT_EQ(attach(data, type), 1);
    EXPECT_EQ(read_file(path()), framed("PHOTO;ENCODING=BASE64;TYPE=JPEG:" + folded(base64(data))))
        << n << " bytes";
  }
}

TEST_F(MediaTest, FoldingBoundariesSpelledOut) {
  const std::string a75(75, 'A');
  Text type("gif");
  attach(std::string(57, '\0'), type);  // 76 characters: one spills over
  EXPECT_EQ(read_file(path()), framed("PHOTO;ENCODING=BASE64;TYPE=GIF:" + a75 + "\r\n    A\r\n"));
  attach(std::string(225, '\0'), type);  // 300 characters: four full lines
  EXPECT_EQ(read_file(path()), framed("PHOTO;ENCODING=BASE64;TYPE=GIF:" + a75 + "\r\n    " + a75 +
                                      "\r\n    " + a75 + "\r\n    " + a75 + "\r\n"));
  attach("", type);
  EXPECT_EQ(read_file(path()), framed("PHOTO;ENCODING=BASE64;TYPE=GIF:\r\n"));
  attach("foobar", type);
  EXPECT_EQ(read_file(path()), framed("PHOTO;ENCODING=BASE64;TYPE=GIF:Zm9vYmFy\r\n"));
}

TEST_F(MediaTest, TypeIsUpperCasedInPlaceOnlyWhenWritten) {
  Text type("x-Png1");
  EXPECT_EQ(attach("abc", type), 1);
  EXPECT_EQ(type.str(), "X-PNG1");

  Text p(path()), missing(path("none.jpg")), lower("jpeg"), sound("wave");
  Text fits(std::string(371, 't')), too_long(std::string(372, 't'));
  kwvtest::write_file(path("media.bin"), "abc");
  Text media(path("media.bin"));
  KwvCard card(p);
  EXPECT_EQ(card.QEL_AttachPhoto(missing, lower), 0);
  EXPECT_EQ(card.QEL_AttachPhoto(media, too_long), 0);
  EXPECT_EQ(card.QEL_AttachPhoto(nullptr, lower), 0);
  EXPECT_EQ(card.QEL_AttachSound(media, nullptr), 0);
  EXPECT_EQ(lower.str(), "jpeg");
  EXPECT_EQ(too_long.str(), std::string(372, 't'));
  EXPECT_EQ(card.QEL_AttachSound(media, sound), 1);
  EXPECT_EQ(card.QEL_AttachSound(media, fits), 1);
  card.QEL_EndPacking();
  EXPECT_EQ(read_file(path()), framed("SOUND;ENCODING=BASE64;TYPE=WAVE:YWJj\r\n"
                                      "SOUND;ENCODING=BASE64;TYPE=" +
                                      std::string(371, 'T') + ":YWJj\r\n"));
}

TEST_F(MediaTest, ReferencesFollowTheUrlLine) {
  Text p(path()), url("http://x.example/\xE5\xBC\xA0.jpg"), ascii("ASCII"), gb("GB2312");
  Text too_long(std::string(800, 'u'));
  KwvCard card(p);
  card.QEL_AddRefPhoto(url);
  card.QEL_AddRefPhoto(too_long);
  card.QEL_AddRefPhoto(nullptr);
  card.QEL_ChangeCharSet(ascii);
  card.QEL_AddRefSound(url);
  card.QEL_ChangeCharSet(gb);
  card.QEL_AddRefSound(url);
  card.QEL_EndPacking();
  EXPECT_EQ(read_file(path()),
            framed("PHOTO;VALUE=URL;CHARSET=UTF-8:http://x.example/\xE5\xBC\xA0.jpg\r\n"
                   "SOUND;VALUE=URL:http://x.example/\xE5\xBC\xA0.jpg\r\n"
                   "SOUND;VALUE=URL;CHARSET=GB2312:http://x.example/\xD5\xC5.jpg\r\n"));
}

TEST_F(MediaTest, BodyAfterTheCallersOwnHeader) {
  kwvtest::write_file(path("media.bin"), "hello");
  Text p(path());
  KwvCard card(p);
  std::FILE* media = std::fopen(path("media.bin").c_str(), "rb");
  ASSERT_NE(media, nullptr);
  std::fgetc(media);  // the body always starts from the beginning
  card.QEL_Base64Encode(media);
  EXPECT_EQ(std::fgetc(media), EOF);  // left open, at its end
  std::fclose(media);
  card.QEL_EndPacking();
  EXPECT_EQ(read_file(path()), framed("aGVsbG8=\r\n"));
}

TEST_F(MediaTest, UnopenedCardWritesNothing) {
  kwvtest::write_file(path("media.bin"), "abc");
  Text m(path("media.bin")), type("jpeg"), url("http://x");
  KwvCard card(nullptr);
  EXPECT_EQ(card.QEL_AttachPhoto(m, type) + card.QEL_AttachSound(m, type), 0);
  EXPECT_EQ(type.str(), "jpeg");
  card.QEL_AddRefPhoto(url);
  card.QEL_AddRefSound(url);
  std::FILE* media = std::fopen(path("media.bin").c_str(), "rb");
  card.QEL_Base64Encode(media);
  EXPECT_EQ(std::fgetc(media), 'a');  // not even read
  std::fclose(media);
}

TEST_F(MediaTest, StreamWithoutSizeEndsTheProcessWithStatus2) {
  Text p(path());
  EXPECT_EXIT(
      {
        int fds[2];
        if (pipe(fds) != 0) std::exit(1);
        KwvCard card(p);
        card.QEL_Base64Encode(fdopen(fds[0], "rb"));
        std::exit(0);
      },
      testing::ExitedWithCode(2), "");
}

}  // namespace
