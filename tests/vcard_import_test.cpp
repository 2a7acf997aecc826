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

TEST_F(VcardImportTest, CardsOfEachVersionBecome21Cards) {
  const Case cases[] = {
      // A Japanese phone's 2.1: Shift_JIS and ISO-8859-1 in quoted-printable,
      // a soft line break, the phonetic name kept in SOUND.
      {vcard("VERSION:2.1\r\n"
             "N;CHARSET=SHIFT_JIS;ENCODING=QUOTED-PRINTABLE:=93=FA=96=7B;=91=BE=98=59;;;\r\n"
             "FN;CHARSET=SHIFT_JIS;ENCODING=QUOTED-PRINTABLE:=91=BE=98=59\r\n"
             "SOUND;X-IRMC-N;CHARSET=SHIFT_JIS;ENCODING=QUOTED-PRINTABLE:=C6=CE=DD;=C0=DB=B3;;;\r\n"
             "TEL;CELL;PREF:090-1234-5678\r\nTEL;HOME;VOICE:03-1234-5678\r\n"
             "EMAIL;INTERNET:taro@example.jp\r\n"
             "ADR;HOME;CHARSET=ISO-8859-1;ENCODING=QUOTED-PRINTABLE:;;M=FCllerstra=DFe 1;"
             "M=FCnchen;;80331;Germany\r\n"
             "NOTE;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:line one=0D=0Aline=\r\n two\r\n"
             "X-ANDROID-CUSTOM:vnd.android.cursor.item/nickname;Taro;1;;;;;;;;;;;;;\r\n"
             "BDAY:19800307\r\n"),
       framed("N;CHARSET=UTF-8:\xE6\x97\xA5\xE6\x9C\xAC;\xE5\xA4\xAA\xE9\x83\x8E;;;\r\n"
              "TEL;PREF;CELL:090-1234-5678\r\nTEL;VOICE;HOME:03-1234-5678\r\n"
              "EMAIL;CHARSET=UTF-8;INTERNET:taro@example.jp\r\n"
              "ADR;CHARSET=UTF-8;HOME:;;M\xC3\xBCllerstra\xC3\x9F"
              "e 1;M\xC3\xBCnchen;;80331;Germany\r\n"
              "BDAY:1980-03-07\r\n"
              "NOTE;CHARSET=UTF-8:line one line two\r\n"),
       "kwvcard: in.vcf:5: SOUND: left out: text, neither inline data nor a URL\n"
       "1 contact written, 1 value left out, 3 producer-specific properties skipped\n",
       1},
      // An iPhone's 3.0: groups with X-ABLabel, TYPE lists, escapes.
      {vcard("VERSION:3.0\r\nPRODID:-//Apple Inc.//iPhone OS 17.2//EN\r\n"
             "N:Appleseed;John;;Mr.;\r\nFN:Mr. John Appleseed\r\nORG:Apple Inc.;\r\n"
             "TITLE:Engineer\r\n"
             "item1.EMAIL;type=INTERNET;type=pref:john@example.com\r\n"
             "item1.X-ABLabel:_$!<Other>!$_\r\n"
             "TEL;type=IPHONE;type=CELL;type=VOICE;type=pref:+1 (408) 555-0100\r\n"
             "TEL;type=\"HOME,FAX\":+1 408 555 0101\r\nTEL;TYPE=text,work:+1 408 555 0102\r\n"
             "item2.ADR;type=WORK,pref:;;1 Infinite Loop;Cupertino;CA;95014;United States\r\n"
             "item2.X-ABADR:us\r\n"
             "item3.URL;type=pref:http\\://www.apple.com\r\n"
             "item3.X-ABLabel:_$!<HomePage>!$_\r\n"
             "BDAY;value=date:1976-04-01\r\n"
             "item4.X-ABDATE;type=pref:2001-10-23\r\nitem4.X-ABLabel:_$!<Anniversary>!$_\r\n"
             "item5.X-ABRELATEDNAMES;type=pref:Jane Appleseed\r\n"
             "ITEM5.X-ABLabel:spouse\r\n"
             "item6.X-ABRELATEDNAMES:Bob\r\nitem6.X-ABLabel:_$!<Brother>!$_\r\n"
             "IMPP;X-SERVICE-TYPE=Skype;type=HOME:skype:john.appleseed\r\n"
             "X-SOCIALPROFILE;type=twitter:http://twitter.com/johnny\r\n"
             "CATEGORIES:Work,VIP\r\n"
             "NOTE:Met at WWDC\\, 2019\\nSecond line\r\n"),
       framed("N;CHARSET=UTF-8:Appleseed;John;;Mr.;\r\n"
              "ORG;CHARSET=UTF-8:Apple Inc.\r\n"
              "TITLE;CHARSET=UTF-8:Engineer\r\n"
              "TEL;PREF;VOICE;CELL:+1 (408) 555-0100\r\nTEL;FAX;HOME:+1 408 555 0101\r\n"
              "TEL;MSG;WORK:+1 408 555 0102\r\n"
              "EMAIL;CHARSET=UTF-8;INTERNET:john@example.com\r\n"
              "ADR;CHARSET=UTF-8;WORK:;;1 Infinite Loop;Cupertino;CA;95014;United States\r\n"
              "URL;CHARSET=UTF-8:http://www.apple.com\r\n"
              "IM;CHARSET=UTF-8:skype:john.appleseed\r\n"
              "BDAY:1976-04-01\r\n"
              "X-ZEB-ANNIVERSARY;CHARSET=UTF-8:2001-10-23\r\n"
              "X-ZEB-SPOUSE;CHARSET=UTF-8:Jane Appleseed\r\n"
              "NOTE;CHARSET=UTF-8:Met at WWDC, 2019 Second line\r\n"),
       "kwvcard: in.vcf:26: CATEGORIES: left out: not a property the written card can hold\n"
       "1 contact written, 1 value left out, 11 producer-specific properties skipped\n",
       1},
      // A CardDAV server's 4.0: alternatives, PREF=1, tel: URIs, no N.
      {vcard("VERSION:4.0\r\nKIND:individual\r\n"
             "FN;ALTID=1;LANGUAGE=en:Jean Dupont\r\nFN;ALTID=1;LANGUAGE=fr:Jean (fr)\r\n"
             "TEL;VALUE=uri;PREF=1;TYPE=\"voice,home\":tel:+33-1-23-45-67-89\r\n"
             "TEL;VALUE=uri;TYPE=textphone;PREF=2:tel:+33-6-00-00-00-00\r\n"
             "EMAIL;TYPE=work:jean@example.fr\r\n"
             "RELATED;TYPE=spouse;VALUE=text:Marie\r\n"
             "RELATED;TYPE=friend:urn:uuid:03a0e51f-d1aa-4385-8a53-e29025acd8af\r\n"
             "BDAY:--0415\r\nANNIVERSARY:1000-01-01\r\nX-MS-ANNIVERSARY:20010203\r\n"
             "GENDER:M\r\n"),
       framed("N;CHARSET=UTF-8:Jean Dupont;;;;\r\n"
              "TEL;PREF;VOICE;HOME:+33-1-23-45-67-89\r\nTEL;MSG:+33-6-00-00-00-00\r\n"
              "EMAIL;CHARSET=UTF-8;INTERNET:jean@example.fr\r\n"
              "X-ZEB-ANNIVERSARY;CHARSET=UTF-8:2001-02-03\r\n"
              "X-ZEB-SPOUSE;CHARSET=UTF-8:Marie\r\n"),
       "kwvcard: in.vcf:10: RELATED: left out: a card holds a spouse or children named in "
       "text, not this relation\n"
       "kwvcard: in.vcf:11: BDAY: left out: a birthday needs a year\n"
       "kwvcard: in.vcf:14: GENDER: left out: not a property the written card can hold\n"
       "1 contact written, 3 values left out, 2 producer-specific properties skipped\n",
       1},
  };
  for (const Case& c : cases) expect(c);
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
  std::string jpeg = "\xFF\xD8\xFF\xE0";
  for (int i = 0; jpeg.size() < 100; ++i) jpeg += static_cast<char>(i * 7);
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
