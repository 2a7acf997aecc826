// The vCard reader as a unit: lines as producers write them, parameters,
// decoding, escapes and the structural errors it stops at.
#include "vcard/vcard_reader.h"

#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>

namespace {

using kwvcard::Card;
using kwvcard::Property;
using kwvcard::VcardReader;

using File = std::unique_ptr<std::FILE, int (*)(std::FILE*)>;

File stream(const std::string& bytes) {
  File f(std::tmpfile(), std::fclose);
  std::fwrite(bytes.data(), 1, bytes.size(), f.get());
  std::rewind(f.get());
  return f;
}

// Every property of every card, one line each:
// "<line> [group.]name[;TYPE...][;E=enc][;C=charset][;V=value type][;A=altid]:value[ !problem]".
std::string read(const std::string& bytes, const std::string& from_encoding = "") {
  File f = stream(bytes);
  VcardReader reader(f.get(), "in.vcf", from_encoding);
  std::string out;
  for (Card card; reader.next(card);) {
    for (const Property& p : card.properties) {
      out += std::to_string(p.line) + " " + (p.group.empty() ? "" : p.group + ".") + p.written;
      for (const std::string& t : p.types) out += ";" + t;
      for (const auto& [key, text] : {std::pair{"E", &p.encoding}, std::pair{"C", &p.charset},
                                      std::pair{"V", &p.value_type}, std::pair{"A", &p.altid}}) {
        if (!text->empty()) out += std::string(";") + key + "=" + *text;
      }
      out += ":" + p.value + (p.problem.empty() ? "" : " !" + p.problem) + "\n";
    }
  }
  return out;
}

std::string card(const std::string& body) {
  return "BEGIN:VCARD\r\n" + body + "END:VCARD\r\n";
}

TEST(VcardReader, LinesAsProducersWriteThem) {
  const struct {
    std::string input, properties;
  } cases[] = {
      // Line ends: CR LF, LF, a lone CR; an iPhone's CR CR LF ends a line and a blank one.
      {"BEGIN:VCARD\rN:a\r\r\nFN:b\nTEL:1\r\nEND:VCARD", "2 N:a\n4 FN:b\n5 TEL:1\n"},
      // A byte-order mark; blank lines anywhere.
      {"\xEF\xBB\xBF\r\n \r\nbegin:vcard\r\n\r\nN:a\r\n\t\r\nend:vcard\r\n\r\n", "5 N:a\n"},
      // Unfolding: one space or tab taken off, a second space kept; a fold
      // inside a UTF-8 character, an escape or the parameters.
      {card("NOTE:ab\r\n c\r\n\td\r\n  e\\\r\n ,\xE5\xBC\r\n \xA0\r\nTEL;TY\r\n PE=cell:1\r\n"),
       "2 NOTE:abcd e\\,\xE5\xBC\xA0\n8 TEL;CELL:1\n"},
      // Quoted-printable: a soft break continues on any line (spaces kept as
      // data, an empty line, the rest of an escape); a line without ':'
      // continues the value after a line break.
      {card("NOTE;ENCODING=QUOTED-PRINTABLE:=E5=BC=A=\r\n0 a=\r\n b=\r\n\r\nTEL:1\r\n"
            "NOTE;QUOTED-PRINTABLE:one\r\ntwo=3D\r\n\r\nthree\r\nEMAIL:x\r\n"),
       "2 NOTE;E=QUOTED-PRINTABLE:\xE5\xBC\xA0 a b\n6 TEL:1\n"
       "7 NOTE;E=QUOTED-PRINTABLE:one\r\ntwo=\r\nthree\n11 EMAIL:x\n"},
      // Base64 text kept as written (folds taken off).
      {card("PHOTO;ENCODING=BASE64;JPEG:/9j/\r\n  4AA=\r\n\r\n"),
       "2 PHOTO;JPEG;E=BASE64:/9j/ 4AA=\n"},
      // An embedded card is a value of the property before it.
      {card("AGENT:\r\nBEGIN:VCARD\r\nN:x\r\nEND:VCARD\r\nTEL:1\r\n"),
       "2 AGENT:BEGIN:VCARD\r\nN:x\r\nEND:VCARD\n6 TEL:1\n"},
      {card("AGENT:BEGIN:VCARD\\nFN:x\\nEND:VCARD\r\n"),
       "2 AGENT:BEGIN:VCARD\\nFN:x\\nEND:VCARD\n"},
      // Two cards.
      {card("N:a\r\n") + card("N:b\r\n"), "2 N:a\n5 N:b\n"},
  };
  for (const auto& c : cases) EXPECT_EQ(read(c.input), c.properties) << c.input;
}

TEST(VcardReader, NamesAndParametersInEveryForm) {
  const std::string properties =
      read(card("item1.tel;HOME;voice:1\r\n"
                "TEL;TYPE=work;type=\"cell,Voice\";TYPE=x, y:2\r\n"
                "TEL;PREF=1:3\r\nTEL;PREF=2;VALUE=uri:tel:4\r\n"
                "PHOTO;ENCODING=b;TYPE=image/jpeg:AA\r\nPHOTO;BASE64;TYPE=PNG:AA\r\n"
                "X-messaging/aim-All;x-label=\"a:b;c\":val:ue\r\n"
                "FN;ALTID=1;LANGUAGE=ja:x\r\nNOTE;Charset=utf-8;ENCODING=8bit:n\r\n"));
  EXPECT_EQ(properties,
            "2 item1.tel;HOME;VOICE:1\n"
            "3 TEL;WORK;CELL;VOICE;X;Y:2\n"
            "4 TEL;PREF:3\n5 TEL;V=URI:tel:4\n"
            "6 PHOTO;IMAGE/JPEG;E=BASE64:AA\n7 PHOTO;PNG;E=BASE64:AA\n"
            "8 X-messaging/aim-All:val:ue\n"
            "9 FN;A=1:x\n10 NOTE;E=8BIT;C=UTF-8:n\n");
}

TEST(VcardReader, ValuesConvertedToUtf8OrMarkedBad) {
  const struct {
    std::string from_encoding, body, properties;
  } cases[] = {
      {"", "N;CHARSET=SHIFT_JIS;ENCODING=QUOTED-PRINTABLE:=93=FA=96=7B;=8E=87\r\n",
       "2 N;E=QUOTED-PRINTABLE;C=SHIFT_JIS:\xE6\x97\xA5\xE6\x9C\xAC;\xE7\xB4\xAB\n"},
      {"", "NOTE;CHARSET=ISO-8859-1:M\xFCller\r\n", "2 NOTE;C=ISO-8859-1:M\xC3\xBCller\n"},
      {"WINDOWS-1252", "NOTE:\x80 1\r\nNOTE;CHARSET=UTF-8:\xE2\x82\xAC 2\r\n",
       "2 NOTE:\xE2\x82\xAC 1\n3 NOTE;C=UTF-8:\xE2\x82\xAC 2\n"},
      {"", "NOTE;CHARSET=SHIFT_JIS:\x93\r\n",
       "2 NOTE;C=SHIFT_JIS:\x93 !not valid SHIFT_JIS text\n"},
      {"", "NOTE;CHARSET=NO-SUCH:x\r\n", "2 NOTE;C=NO-SUCH:x !an unknown charset NO-SUCH\n"},
      {"", "NOTE:a\xFF\r\nTEL:1\r\n",
       "2 NOTE:a\xFF !not valid UTF-8 (name the file's encoding with --from-encoding)\n3 TEL:1\n"},
      {"", "NOTE;ENCODING=QUOTED-PRINTABLE:a=4G\r\n",
       "2 NOTE;E=QUOTED-PRINTABLE:a=4G !a broken quoted-printable escape\n"},
  };
  for (const auto& c : cases) EXPECT_EQ(read(card(c.body), c.from_encoding), c.properties);
}

TEST(VcardReader, LinesLongerThanABlock) {
  // The CR of CR LF ends the first block read (64 KiB), its LF starts the next.
  const std::string note = std::string(65536 - 13 - 6, 'n');
  EXPECT_EQ(read("BEGIN:VCARD\r\nNOTE:" + note + "\r\nTEL:1\r\nEND:VCARD\r\n"),
            "2 NOTE:" + note + "\n3 TEL:1\n");
  const std::string big(300000, 'b');
  EXPECT_EQ(read(card("NOTE:" + big + "\r\n " + big + "\r\n")), "2 NOTE:" + big + big + "\n");
}

TEST(VcardReader, StructuralErrorsNameTheLine) {
  const struct {
    std::string input, message;
  } cases[] = {
      {"BEGIN:VCARD\r\nN:a\r\n", "in.vcf:1: BEGIN:VCARD without END:VCARD"},
      {card("N:a\r\n") + "BEGIN:VCARD\r\nAGENT:\r\nBEGIN:VCARD\r\nEND:VCARD\r\n",
       "in.vcf:4: BEGIN:VCARD without END:VCARD"},
      {card("N:a\r\n") + "END:VCARD\r\n", "in.vcf:4: END:VCARD without BEGIN:VCARD"},
      {card("N:a\r\nbroken\r\n"), "in.vcf:3: a property line without ':'"},
      {card("N;\r\n x=\"y\r\n z:\r\nTEL:1\r\nNOTE:a\r\n  b\r\nno colon\r\n"),
       "in.vcf:8: a property line without ':'"},
      {card("N:a\r\n") + "trailing text\r\n",
       "in.vcf:4: text outside a card (a card starts with BEGIN:VCARD)"},
  };
  for (const auto& c : cases) {
    try {
      read(c.input);
      ADD_FAILURE() << "no error for " << c.input;
    } catch (const std::runtime_error& e) {
      EXPECT_EQ(e.what(), c.message);
    }
  }
  EXPECT_THROW(read(card(""), "NO-SUCH"), std::runtime_error);
}

TEST(VcardReader, EscapesAndComponents) {
  // An escape vCard does not define is the character after the backslash.
  EXPECT_EQ(kwvcard::unescape("a\\nb\\Nc\\,\\;\\:\\\\d\\x\\\"q\\\"\\"), "a\nb\nc,;:\\dx\"q\"\\");
  EXPECT_EQ(kwvcard::split_components("Doe\\;Smith;Jane\\\\;;\\,x"),
            (std::vector<std::string>{"Doe;Smith", "Jane\\", "", ",x"}));
  EXPECT_EQ(kwvcard::split_components(""), (std::vector<std::string>{""}));
}

TEST(VcardReader, RecognisesAVcardFileByItsFirstLine) {
  const std::pair<std::string, bool> cases[] = {
      {"BEGIN:VCARD\r\n", true},
      {"\xEF\xBB\xBF\r\n \t\n\rbegin:vCard  \nN:x", true},
      {"BEGIN:VCARD", true},
      {"BEGIN:VCARDS\r\n", false},
      {"First Name,Last Name\r\nBEGIN:VCARD\r\n", false},
      {"", false},
  };
  for (const auto& [bytes, vcard] : cases) EXPECT_EQ(kwvcard::is_vcard(stream(bytes).get()), vcard);
}

}  // namespace
