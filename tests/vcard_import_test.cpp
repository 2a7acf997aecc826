// The kwvcard tool run on small vCard files written as iPhones, Android and
// Japanese phones, Outlook and CardDAV servers write them: the bytes it
// writes, its exit status and its messages.
#include "test_support.h"

namespace {

using kwvtest::framed;
using namespace std::string_literals;

class VcardImportTest : public kwvtest::ToolTest {
 protected:
  struct Case {
    std::string input, cards, messages;
    int status;
  };

  void expect(const Case& c) {
    file("in.vcf", c.input);
    const Run r = run("import in.vcf --out out.vcf");
    EXPECT_EQ(r.status, c.status) << c.input;
    EXPECT_EQ(r.messages, c.messages) << c.input;
    EXPECT_EQ(kwvtest::read_file(path("out.vcf")), c.cards) << c.input;
  }
};

std::string vcard(const std::string& body) {
  return "BEGIN:VCARD\r\n" + body + "END:VCARD\r\n";
}

// Golden files in tests/vcard/: each input NAME.vcf, the cards it becomes
// (NAME.expected.vcf) and what the tool says (NAME.messages, run as in.vcf).
TEST_F(VcardImportTest, CardsOfEachVersionBecome21Cards) {
  for (const char* name : {"japanese-2.1", "iphone-3.0", "carddav-4.0"})
    expect_golden(KWVCARD_IMPORT_DATA "/../vcard", name, ".vcf", "--encoding 8bit");
  // The default, quoted-printable, and in Shift_JIS as a Japanese phone reads it.
  expect_golden(KWVCARD_IMPORT_DATA "/../vcard", "iphone-3.0", ".vcf", "", "qp");
  expect_golden(KWVCARD_IMPORT_DATA "/../vcard", "japanese-2.1", ".vcf", "--charset SHIFT_JIS",
                "sjis");
}

TEST_F(VcardImportTest, ABadValueIsLeftOutNotTheInput) {
  const struct {
    std::string property, message;
  } cases[] = {
      {"NOTE:caf\xE9",
       "NOTE: left out: not valid UTF-8 (name the file's encoding with "
       "--from-encoding)"},
      {"Note;CHARSET=SHIFT_JIS:\x82", "Note: left out: not valid SHIFT_JIS text"},
      {"NOTE;ENCODING=QUOTED-PRINTABLE:a=E", "NOTE: left out: a broken quoted-printable escape"},
      {"item1.BDAY:March 7", "BDAY: left out: not a date (YYYY-MM-DD or YYYYMMDD)"},
      {"X-ANNIVERSARY:--05-04", "X-ANNIVERSARY: left out: an anniversary needs a year"},
      {"BDAY:0000-03-07", "BDAY: left out: a birthday needs a year"},
      {"LOGO;VALUE=uri:http://example.com/logo.png",
       "LOGO: left out: not a property the written card can hold"},
      {"AGENT:\r\nBEGIN:VCARD\r\nN:Friday;Fred\r\nEND:VCARD",
       "AGENT: left out: not a property the written card can hold"},
  };
  for (const auto& c : cases) {
    expect({vcard("VERSION:2.1\r\nN:;Al\r\n" + c.property + "\r\n") + vcard("N:Bo\r\n"),
            framed("N;CHARSET=UTF-8:;Al;;;\r\n") + framed("N;CHARSET=UTF-8:Bo;;;;\r\n"),
            "kwvcard: in.vcf:4: " + c.message +
                "\n2 contacts written, 1 value left out, 1 producer-specific property skipped\n",
            1});
  }
}

// Inline media are decoded and attached again; a URL is written by reference.
TEST_F(VcardImportTest, PhotosAndSounds) {
  std::string jpeg = "\xFF\xD8\xFF\xE0", large;
  for (int i = 0; jpeg.size() < 100; ++i) jpeg += static_cast<char>(i * 7);
  while (large.size() < (1 << 20)) large += jpeg;  // a card too large for the pipe cards take
  const std::string png = "\x89PNG\r\n\x1A\n\0\0"s, gif = "GIF89a\x01", bmp = "BM\x10\0"s,
                    wav = "RIFF\0WAVE"s;
  const auto b64 = kwvtest::base64;
  auto attached = [](const char* prop, const char* type, const std::string& data) {
    return std::string(prop) + ";ENCODING=BASE64;TYPE=" + type + ":" +
           kwvtest::folded(kwvtest::base64(data));
  };
  const struct {
    std::string property, card, message;
  } cases[] = {
      {"PHOTO;ENCODING=BASE64;JPEG:\r\n " + b64(jpeg).substr(0, 60) + "\r\n " +
           b64(jpeg).substr(60) + "\r\n\r\n",
       attached("PHOTO", "JPEG", jpeg), ""},
      {"PHOTO;ENCODING=b;TYPE=JPEG:" + b64(large) + "\r\n", attached("PHOTO", "JPEG", large), ""},
      {"PHOTO;ENCODING=b;TYPE=image/png:" + b64(png).substr(0, 14) + "\r\n",
       attached("PHOTO", "PNG", png), ""},
      {"PHOTO:data:image/gif;base64,\r\n " + b64(gif) + "\r\n", attached("PHOTO", "GIF", gif), ""},
      {"PHOTO;ENCODING=BASE64:" + b64(bmp) + "\r\n", attached("PHOTO", "BMP", bmp), ""},
      {"SOUND;ENCODING=BASE64;TYPE=WAVE:" + b64(wav) + "\r\n", attached("SOUND", "WAVE", wav), ""},
      {"PHOTO;VALUE=uri:https://example.com/p.jpg\r\n",
       "PHOTO;VALUE=URL;CHARSET=UTF-8:https://example.com/p.jpg\r\n", ""},
      {"SOUND;VALUE=URL:http://example.com/s.wav\r\n",
       "SOUND;VALUE=URL;CHARSET=UTF-8:http://example.com/s.wav\r\n", ""},
      {"PHOTO;ENCODING=b;TYPE=JPEG:AAA*\r\n", "", "PHOTO: left out: not valid base64"},
      {"PHOTO;ENCODING=b;TYPE=JPEG:AAAA A\r\n", "", "PHOTO: left out: not valid base64"},
      {"ORG:A;B\\;b;C;D;E\r\n", "ORG;CHARSET=UTF-8:A;B\\;b;C\r\n",
       "ORG: left out: the components after the third: \"D\", \"E\""},
  };
  for (const auto& c : cases) {
    const bool said = !c.message.empty();
    expect({vcard("N:Al\r\n" + c.property), framed("N;CHARSET=UTF-8:Al;;;;\r\n" + c.card),
            (said ? "kwvcard: in.vcf:3: " + c.message + "\n" : "") + "1 contact written, " +
                (said ? "1 value" : "0 values") +
                " left out, 0 producer-specific properties skipped\n",
            said ? 1 : 0});
  }
}

TEST_F(VcardImportTest, OneFilePerCardFromStandardInput) {
  file("in.vcf", vcard("VERSION:3.0\r\nN:Lee;Ann\r\n") + vcard("") + vcard("ORG:Acme\r\n"));
  const Run r = run("import - --out-dir cards < in.vcf");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.messages,
            "3 contacts written, 0 values left out, 1 producer-specific property skipped\n");
  EXPECT_EQ(files("cards"), (std::set<std::string>{"Ann Lee.vcf", "contact.vcf", "Acme.vcf"}));
  EXPECT_EQ(kwvtest::read_file(path("cards/contact.vcf")), framed(""));
}

TEST_F(VcardImportTest, BadStructureStopsWithStatus2AndWritesNothing) {
  const std::string a = vcard("N:A\r\n");
  const struct {
    std::string args, input, message;
  } cases[] = {
      {"in.vcf", a + "BEGIN:VCARD\r\nN:B\r\n", "in.vcf:4: BEGIN:VCARD without END:VCARD"},
      {"in.vcf", a + "END:VCARD\r\n", "in.vcf:4: END:VCARD without BEGIN:VCARD"},
      {"- < in.vcf", a + "begin:vcard\r\nN:B\r\nNo colon\r\nEND:VCARD\r\n",
       "standard input:6: a property line without ':'"},
      {"in.vcf", a + "\r\nAnother card\r\n",
       "in.vcf:5: text outside a card (a card starts with BEGIN:VCARD)"},
      {"in.vcf --from-encoding NO-SUCH", a, "unknown encoding NO-SUCH"},
  };
  for (const auto& c : cases) {
    file("in.vcf", c.input);
    const Run r = run("import " + c.args + " --out-dir cards");
    EXPECT_EQ(r.status, 2) << c.args;
    EXPECT_EQ(r.messages, "kwvcard: " + c.message + "\n");
    EXPECT_EQ(files(), (std::set<std::string>{"card.vcf", "in.vcf", "messages.txt"})) << c.args;
  }
}

}  // namespace
