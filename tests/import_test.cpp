// The kwvcard tool run on small Outlook and Google Contacts exports (their real
// header rows, rows written here): the bytes it writes, its exit status and
// its messages.
#include <map>

#include <algorithm>

#include "test_support.h"

namespace {

using kwvtest::framed;
using Cells = std::map<std::string, std::string>;

// The header row of an export, and a data row with `cells` in its columns,
// every field quoted.
struct Export {
  std::string header_row;
  std::vector<std::string> columns;

  explicit Export(const std::string& file)
      : header_row(kwvtest::read_file(std::string(KWVCARD_IMPORT_DATA "/") + file)) {
    std::string name;
    for (char c : header_row.substr(0, header_row.find_first_of("\r\n")) + ",") {
      if (c != ',' && c != '"') name += c;
      if (c == ',') columns.push_back(std::move(name)), name.clear();
    }
  }

  std::string row(const Cells& cells) const {
    std::string out;
    for (const std::string& column : columns) {
      std::string field = cells.count(column) ? cells.at(column) : "";
      for (std::size_t q = 0; (q = field.find('"', q)) != std::string::npos; q += 2)
        field.insert(q, "\"");
      out += (out.empty() ? "\"" : ",\"") + field + "\"";
    }
    return out + "\r\n";
  }
};

const Export& outlook() {
  static const Export e("outlook-header.csv");
  return e;
}
const Export& google() {
  static const Export e("google-header.csv");
  return e;
}

class ImportTest : public kwvtest::ToolTest {};

// Golden files in tests/import/: an Outlook export with every mapped column
// (structured names and addresses, every telephone column, dates, a line
// break in a note, an empty date and an empty row), and a Google Contacts
// export with labels, primary values, several values in one cell (" ::: "),
// a year-less anniversary, and photos from a file and by URL.
TEST_F(ImportTest, OutlookAndGoogleRowsBecomeCards) {
  for (const char* name : {"outlook", "google"})
    expect_golden(KWVCARD_IMPORT_DATA, name, ".csv", "--encoding 8bit");
  // The default: quoted-printable, the note's line break kept.
  expect_golden(KWVCARD_IMPORT_DATA, "outlook", ".csv", "", "qp");
}

// One sample per vocabulary family (tests/import/README.md names where each
// header row comes from): a German and a Chinese Outlook export, Thunderbird's
// (a display name alone, a birthday in three columns), a Chinese company list
// with a title row, numbered repeats, a bad date and an unknown column, and an
// English list.
TEST_F(ImportTest, TranslatedExportsAndHomeMadeListsBecomeCards) {
  for (const char* name : {"outlook-de", "outlook-zh", "thunderbird", "list-zh", "list-en"})
    expect_golden(KWVCARD_IMPORT_DATA, name, ".csv", "--encoding 8bit");
}

// --map: a good map's columns over the vocabularies; a bad line stops.
TEST_F(ImportTest, MapFileNamesColumns) {
  const std::string sheet = "Wer,Handy,Wechat ID,Ort,Notes\r\nAl Bo,1,al,Rom,x\r\n";
  const struct {
    std::string map, messages, card;
  } cases[] = {
      {"# mine\r\nwer = name\nHANDY = tel:cell, Work\nWechat ID = im # WeChat\n\n"
       "Ort = city:home\nnotes = ignore\n",
       "1 contact written, 0 values left out\n",
       framed("N;CHARSET=UTF-8:Al Bo;;;;\r\nTEL;CELL;WORK:1\r\nADR;CHARSET=UTF-8;HOME:;;;Rom;;;\r\n"
              "IM;CHARSET=UTF-8:al\r\n")},
      {"Handy = tel\n",
       "kwvcard: in.csv: column \"Wer\" (1 value): not used; --map can name it\n"
       "kwvcard: in.csv: column \"Wechat ID\" (1 value): not used; --map can name it\n"
       "kwvcard: in.csv: column \"Ort\" (1 value): not used; --map can name it\n"
       "1 contact written, 3 values left out\n",
       framed("TEL;VOICE:1\r\nNOTE;CHARSET=UTF-8:x\r\n")},
      {"wer = name\nphone number = tel:MOBILE\n",
       "kwvcard: my.map:2: \"phone number = tel:MOBILE\": not a field (see kwvcard(1), --map)\n",
       ""},
      {"Ort\n", "kwvcard: my.map:1: \"Ort\": not HEADER = FIELD (see kwvcard(1), --map)\n", ""},
      {"Ort = city:office\n",
       "kwvcard: my.map:1: \"Ort = city:office\": not a field (see kwvcard(1), --map)\n", ""},
      {"Ort = note:x\n",
       "kwvcard: my.map:1: \"Ort = note:x\": not a field (see kwvcard(1), --map)\n", ""},
  };
  for (const auto& c : cases) {
    file("in.csv", sheet);
    file("my.map", c.map);
    std::filesystem::remove(path("out.vcf"));
    const Run r = run("import in.csv --out out.vcf --encoding 8bit --map my.map");
    EXPECT_EQ(r.messages, c.messages) << c.map;
    EXPECT_EQ(r.status, c.card.empty() ? 2 : c.messages.find("kwvcard:") == 0 ? 1 : 0) << c.map;
    EXPECT_EQ(kwvtest::read_file(path("out.vcf")), c.card) << c.map;
  }
}

TEST_F(ImportTest, OneFilePerContactNamedAfterIt) {
  file("in.csv", google().header_row + google().row({{"First Name", "Ann"}, {"Last Name", "Lee"}}) +
                     google().row({{"First Name", "Ann"}, {"Last Name", "Lee"}, {"Notes", "2"}}) +
                     google().row({{"Organization Name", "A/B: C"}}) +
                     google().row({{"E-mail 1 - Value", "x@y.example"}}) +
                     google().row({{"Phone 1 - Value", "5"}}) +
                     google().row({{"Organization Name", "..hidden\tname"}}) +
                     google().row({{"First Name", std::string(98, 'a') + "\xE5\xBC\xA0"}}));
  EXPECT_EQ(run("import in.csv --out-dir cards").status, 0);
  EXPECT_EQ(files("cards"), (std::set<std::string>{
                                "Ann Lee.vcf", "Ann Lee-2.vcf", "A_B_ C.vcf", "x@y.example.vcf",
                                "contact.vcf", "hidden_name.vcf", std::string(98, 'a') + ".vcf"}));
  EXPECT_EQ(kwvtest::read_file(path("cards/Ann Lee-2.vcf")),
            framed("N;CHARSET=UTF-8:Lee;Ann;;;\r\nNOTE;CHARSET=UTF-8:2\r\n"));
}

TEST_F(ImportTest, CharsetLanguageAndInputEncodings) {
  const struct {
    const char* args;
    std::string bytes_before, first_name, n_line;
  } cases[] = {
      {"in.csv --charset GB2312 --lang zh-CN", "", "\xE5\xBC\xA0",
       "N;CHARSET=GB2312;ENCODING=QUOTED-PRINTABLE;LANGUAGE=zh-CN:;=D5=C5;;;"},
      {"in.csv --charset GB2312 --encoding 8bit", "", "\xE5\xBC\xA0",
       "N;CHARSET=GB2312:;\xD5\xC5;;;"},
      {"in.csv --charset SHIFT_JIS", "", "\xE3\x82\xBD",
       "N;CHARSET=SHIFT_JIS;ENCODING=QUOTED-PRINTABLE:;=83=5C;;;"},
      {"in.csv --charset ISO-8859-1 --encoding 8bit", "", "M\xC3\xBCller",
       "N;CHARSET=ISO-8859-1:;M\xFCller;;;"},
      {"in.csv --from-encoding WINDOWS-1252", "", "M\xFCller",
       "N;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:;M=C3=BCller;;;"},
      {"- < in.csv", "\xEF\xBB\xBF", "Zo\xC3\xAB",  // with a BOM
       "N;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:;Zo=C3=AB;;;"},
  };
  for (const auto& c : cases) {
    file("in.csv",
         c.bytes_before + google().header_row + google().row({{"First Name", c.first_name}}));
    EXPECT_EQ(run("import " + std::string(c.args) + " --out out.vcf").status, 0) << c.args;
    EXPECT_EQ(kwvtest::read_file(path("out.vcf")), framed(c.n_line + "\r\n")) << c.args;
  }
}

// The encoding from a byte-order mark, else UTF-8 when valid, else detected
// (and said); the delimiter from the header row.
TEST_F(ImportTest, EncodingsAndDelimitersAreFound) {
  const std::string rows[] = {"First Name,Last Name,Job Title,Business Phone",
                              "\xE4\xB8\x89,\xE5\xBC\xA0,\xE7\xBB\x8F\xE7\x90\x86,010-1234",
                              "\xE5\x9B\x9B,\xE6\x9D\x8E,\xE9\x94\x80\xE5\x94\xAE,021-5678"};
  const std::string qp = ";CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:";
  const std::string cards = framed("N" + qp + "=E5=BC=A0;=E4=B8=89;;;\r\nTITLE" + qp +
                                   "=E7=BB=8F=E7=90=86\r\nTEL;WORK:010-1234\r\n") +
                            framed("N" + qp + "=E6=9D=8E;=E5=9B=9B;;;\r\nTITLE" + qp +
                                   "=E9=94=80=E5=94=AE\r\nTEL;WORK:021-5678\r\n");
  const struct {
    const char* encoding;
    std::string mark;
    char delimiter;
    std::string said;
  } cases[] = {
      {"UTF-8", "", ';', ""},
      {"UTF-16LE", "\xFF\xFE", '\t', ""},
      {"UTF-16BE", "\xFE\xFF", ',', ""},
      {"GB18030", "", ',',
       "kwvcard: in.csv: read as GB18030 (detected; --from-encoding chooses)\n"},
  };
  for (const auto& c : cases) {
    std::string text;
    for (std::string r : rows) {
      std::replace(r.begin(), r.end(), ',', c.delimiter);
      text += r + "\r\n";
    }
    iconv_t cd = iconv_open(c.encoding, "UTF-8");
    std::string bytes(text.size() * 4, '\0');
    char *in = text.data(), *out = bytes.data();
    std::size_t in_left = text.size(), out_left = bytes.size();
    iconv(cd, &in, &in_left, &out, &out_left);
    iconv_close(cd);
    bytes.resize(bytes.size() - out_left);
    file("in.csv", c.mark + bytes);
    const Run r = run("import in.csv --out out.vcf");
    EXPECT_EQ(r.status, 0) << c.encoding;
    EXPECT_EQ(r.messages, c.said + "2 contacts written, 0 values left out\n") << c.encoding;
    EXPECT_EQ(kwvtest::read_file(path("out.vcf")), cards) << c.encoding;
  }
}

TEST_F(ImportTest, ValuesACardCannotHoldAreLeftOutAndSaid) {
  const struct {
    const Export& format;
    Cells cells;
    std::string column, why, card_rest;
  } cases[] = {
      {google(), {{"Birthday", "--03-07"}}, "Birthday", "a birthday needs a year", ""},
      {google(), {{"Photo", "none.png"}}, "Photo", "cannot read the photo file none.png", ""},
      {google(),
       {{"Photo", "face.tif"}},
       "Photo",
       "a photo must be a .jpg, .png, .gif or .bmp file",
       ""},
      {outlook(), {{"Birthday", "next Tuesday"}}, "Birthday", "not a date (M/D/YYYY)", ""},
      {google(), {{"Birthday", "1975-13-01"}}, "Birthday", "not a date (YYYY-MM-DD)", ""},
      {google(),
       {{"Photo", "http://x.example/" + std::string(800, 'p')}},
       "Photo",
       "longer than the PHOTO line's 800 bytes",
       ""},
      {outlook(),
       {{"Mobile Phone", std::string(95, '5')}, {"Pager", "6"}},
       "Mobile Phone",
       "longer than the TEL line's 100 bytes",
       "TEL;PAGER:6\r\n"},
  };
  for (const auto& c : cases) {
    Cells cells = c.cells;
    cells["First Name"] = "Al";
    file("in.csv", c.format.header_row + c.format.row(cells));
    const Run r = run("import in.csv --out out.vcf");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.messages, "kwvcard: in.csv:2: column \"" + c.column + "\": left out: " + c.why +
                              "\n1 contact written, 1 value left out\n");
    EXPECT_EQ(kwvtest::read_file(path("out.vcf")),
              framed("N;CHARSET=UTF-8:;Al;;;\r\n" + c.card_rest));
  }
}

TEST_F(ImportTest, MessagesNameTheLineARowStartsOnAndItsColumns) {
  const std::string street = std::string(281, 's') + ";\xE5\xBC\xA0";  // 286 bytes written
  std::string note;  // 598 bytes fit the NOTE line; 1794 once encoded do not
  for (int i = 0; i < 299; ++i) note += "\xC3\xA9";
  file("in.csv", google().header_row +
                     google().row({{"First Name", "Al"}, {"Notes", "a\r\nb\nc"}}) +
                     google().row({{"First Name", std::string(100, 'f')},
                                   {"Last Name", std::string(100, 'l')},
                                   {"Address 1 - Street", street}}) +
                     google().row({{"Notes", note + "\n."}}));
  const Run r = run("import in.csv --out out.vcf");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.messages,
            "kwvcard: in.csv:5: column \"Last Name\", \"First Name\": left out: longer than the N "
            "line's 200 bytes\n"
            "kwvcard: in.csv:5: column \"Address 1 - Street\": cut to the 285 bytes an address "
            "component holds\n"
            "kwvcard: in.csv:6: column \"Notes\": written without quoted-printable: too long for "
            "the NOTE line once encoded\n3 contacts written, 3 values left out\n");
  EXPECT_EQ(kwvtest::read_file(path("out.vcf")),
            framed("N;CHARSET=UTF-8:;Al;;;\r\n"
                   "NOTE;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:a=0D=0Ab=0D=0Ac\r\n") +
                framed("ADR;CHARSET=UTF-8:;;" + std::string(281, 's') + "\\;;;;;\r\n") +
                framed("NOTE;CHARSET=UTF-8:" + note + " .\r\n"));
}

TEST_F(ImportTest, BadInputOrUsageStopsWithStatus2AndWritesNothing) {
  const std::string row = google().row({{"First Name", "Al"}});
  const struct {
    std::string args, input, message;
  } cases[] = {
      {"none.csv --out out.vcf", "", "cannot read none.csv: No such file or directory"},
      {"in.csv --out out.vcf", "", "in.csv: empty, no header row"},
      {"in.csv --out none/out.vcf", google().header_row,
       "cannot write none/out.vcf: No such file or directory"},
      {"in.csv --out-dir in.csv", google().header_row, "cannot create the folder in.csv"},
      {"in.csv --out out.vcf", "Given,Cell No\r\nAl,1\r\n",
       "in.csv:1: no column of this header row is known (\"Given\", \"Cell No\"); --map FILE can "
       "name them"},
      {"in.csv --out out.vcf", google().header_row + row + "Bo,\"Q\r\n\r\nmore\r\n",
       "in.csv:3: unclosed quote in column \"Middle Name\""},
      {"in.csv --out out.vcf", google().header_row + row + "Bo,Q\"x\r\n",
       "in.csv:3: malformed CSV in column \"Middle Name\": stray quote (quotes inside a field are "
       "doubled)"},
      {"in.csv --out out.vcf --from-encoding WINDOWS-1252", google().header_row + row + "\x81\r\n",
       "in.csv:3: not valid WINDOWS-1252"},
      {"in.csv --out out.vcf --from-encoding NO-SUCH", google().header_row,
       "unknown encoding NO-SUCH"},
      {"in.csv", google().header_row,
       "import: give exactly one of --out FILE.vcf and --out-dir DIR (see kwvcard --help)"},
      {"in.csv --out out.vcf --out-dir cards", google().header_row,
       "import: give exactly one of --out FILE.vcf and --out-dir DIR (see kwvcard --help)"},
      {"in.csv --out out.vcf --lang " + std::string(40, 'x'), google().header_row,
       "import: --charset and --lang take 1 to 39 bytes (see kwvcard --help)"},
      {"in.csv --out out.vcf --charset 'UTF-8;X=1'", google().header_row,
       "import: --charset and --lang take no spaces, ';' or ':' (see kwvcard --help)"},
      {"in.csv --out out.vcf --charset FOO", google().header_row,
       "--charset FOO: not a charset this system can convert to"},
      {"in.csv --out out.vcf --charset SHIFT_JISX0213", google().header_row,
       "--charset SHIFT_JISX0213: longer than the 13 bytes a quoted-printable card can name "
       "(--encoding 8bit takes it)"},
      {"in.csv --out out.vcf --bogus", google().header_row,
       "The following argument was not expected: --bogus (see kwvcard --help)"},
  };
  for (const auto& c : cases) {
    file("in.csv", c.input);
    const Run r = run("import " + c.args);
    EXPECT_EQ(r.status, 2) << c.args;
    EXPECT_EQ(r.messages, "kwvcard: " + c.message + "\n");
    EXPECT_EQ(files(), (std::set<std::string>{"card.vcf", "in.csv", "messages.txt"})) << c.args;
  }
}

TEST_F(ImportTest, CharactersTheCharsetLacksAreReported) {
  const struct {
    const char* charset;
    std::string first_name, card;
  } cases[] = {
      {"GB2312", "\xE5\xBC\xA0",
       "N;CHARSET=GB2312;ENCODING=QUOTED-PRINTABLE:;=D5=C5;;;\r\nNOTE;CHARSET=GB2312:5? ?\r\n"},
      {"SHIFT_JIS", "\xE3\x82\xBD",
       "N;CHARSET=SHIFT_JIS;ENCODING=QUOTED-PRINTABLE:;=83=5C;;;\r\n"
       "NOTE;CHARSET=SHIFT_JIS:5? ?\r\n"},
      {"ASCII", "Al", "N:;Al;;;\r\nNOTE:5? ?\r\n"},
  };
  for (const auto& c : cases) {
    file("in.csv",
         google().header_row + google().row({{"First Name", c.first_name},
                                             {"Notes", "5\xE2\x82\xAC \xF0\x9F\x98\x80"}}));
    const Run r = run("import in.csv --out out.vcf --charset " + std::string(c.charset));
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.messages, "kwvcard: in.csv:2: column \"Notes\": written with '?' for what " +
                              std::string(c.charset) +
                              " cannot hold: \xE2\x82\xAC \xF0\x9F\x98\x80\n1 contact written, 1 "
                              "value left out\n");
    EXPECT_EQ(kwvtest::read_file(path("out.vcf")), framed(c.card)) << c.charset;
  }
}

// A card file that cannot be written whole (here: a full device, as a full
// disk fails) stops the import; the cards before it stay whole, its own file
// is removed, and nothing reaches standard output.
TEST_F(ImportTest, ACardFileThatCannotBeWrittenStopsTheImport) {
  file("in.csv", google().header_row + google().row({{"First Name", "Al"}}) +
                     google().row({{"First Name", "Bo"}}) + google().row({{"First Name", "Cy"}}));
  std::filesystem::create_directory(path("cards"));
  std::filesystem::create_symlink("/dev/full", path("cards/Bo.vcf"));
  const std::string command =
      "cd '" + path("") + "' && " KWVCARD_TOOL " import in.csv --out-dir cards 2>err >out";
  const int status = std::system(command.c_str());
  EXPECT_EQ(WIFEXITED(status) ? WEXITSTATUS(status) : -1, 2);
  EXPECT_EQ(kwvtest::read_file(path("err")),
            "kwvcard: cannot write cards/Bo.vcf: No space left on device\n");
  EXPECT_EQ(kwvtest::read_file(path("out")), "");
  EXPECT_EQ(files("cards"), std::set<std::string>{"Al.vcf"});
  EXPECT_EQ(kwvtest::read_file(path("cards/Al.vcf")), framed("N;CHARSET=UTF-8:;Al;;;\r\n"));
}

TEST_F(ImportTest, HelpAndVersion) {
  EXPECT_EQ(run("--version").status + run("--help").status + run("import --help").status, 0);
  EXPECT_EQ(std::system(KWVCARD_TOOL " --version | grep -qx 'kwvcard " KWVCARD_VERSION "'"), 0);
}

}  // namespace
