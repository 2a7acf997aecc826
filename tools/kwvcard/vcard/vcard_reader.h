// vCard text (2.1, 3.0 and 4.0, as real producers write it) to cards, one
// card at a time. This layer knows lines, parameters and encodings only; what
// a property means is decided by vcard_mapping.
#ifndef KWVCARD_TOOL_VCARD_READER_H
#define KWVCARD_TOOL_VCARD_READER_H

#include <cstdio>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace kwvcard {

struct Property {
  int line = 0;            // the input line the property starts on
  std::string group;       // "item1" of "item1.TEL", as written; "" for none
  std::string name;        // upper case: "TEL"
  std::string written;     // as written, without the group: "tel"
  std::string encoding;    // upper case: "QUOTED-PRINTABLE", "BASE64" (also for "B"), "8BIT", ...
  std::string charset;     // upper case; "" when not given
  std::string value_type;  // VALUE=, upper case; "" when not given
  std::string altid;       // ALTID=, as written
  std::vector<std::string> types;  // upper case, from TYPE=a,b, TYPE="a,b", bare 2.1 names and
                                   // PREF=1 (as PREF)
  // Quoted-printable decoded and converted to UTF-8; backslash escapes are
  // kept (see unescape). Base64 text is kept as written, folds removed.
  std::string value;
  std::string problem;  // why the value cannot be used; "" when it can

  bool has_type(std::string_view type) const;  // `type` in upper case
};

struct Card {
  int line = 0;  // the line of its BEGIN:VCARD
  std::vector<Property> properties;
};

// Whether `in` holds vCard text: its first non-blank line, after an optional
// UTF-8 byte-order mark, is BEGIN:VCARD (any case). Reads from the current
// position of `in` and leaves it where it stopped.
bool is_vcard(std::FILE* in);

// Reads the cards of `in` one at a time, in blocks: only the card being read
// and its current line are held in memory. Lines are taken as producers write
// them, in this order:
//  1. lines end at CR LF, LF or a lone CR;
//  2. in a quoted-printable value, a line ending in '=' continues on the next
//     line whatever it holds, and a non-blank line without ':' continues the
//     value after a line break (CR LF);
//  3. other blank lines are dropped;
//  4. a line starting with a space or a tab continues the one before it
//     (without the line end and that one character).
// A value that cannot be decoded is kept with a `problem`; the structure of
// the input is checked as it is read.
class VcardReader {
 public:
  // Messages name the input `name`. Text without a CHARSET parameter is in
  // `from_encoding` ("" for UTF-8). With `decode` false only the structure is
  // checked, quickly: each property of a card is then just its line. Throws
  // std::runtime_error("unknown encoding X") when iconv does not know it.
  VcardReader(std::FILE* in, std::string name, std::string from_encoding, bool decode = true);
  ~VcardReader();
  VcardReader(const VcardReader&) = delete;
  VcardReader& operator=(const VcardReader&) = delete;

  // Puts the next card in `card`; false after the last. Throws
  // std::runtime_error("<name>:<line>: <what>") for a card without END:VCARD,
  // an END:VCARD without a card, a property line without ':' and text that is
  // not blank outside cards.
  bool next(Card& card);

 private:
  struct Logical {  // a line after unfolding
    int line = 0;
    std::string text;
    std::size_t colon = std::string::npos;  // where the value starts, less one
    bool qp = false;                        // its value is quoted-printable
    std::size_t scanned = 0;                // bytes looked at for the colon
    bool quoted = false;                    // inside double quotes there
  };

  bool physical(std::string& line);
  bool logical(Logical& out);
  void examine(Logical& l) const;
  Property parse(Logical& l);  // takes the text of `l`
  void decode(Property& p);
  void convert(Property& p, const std::string& from);
  [[noreturn]] void fail(int line, const std::string& what) const;

  std::FILE* in_;
  std::string name_, from_;
  bool decode_;
  // Input in blocks.
  std::string buffer_;
  std::size_t pos_ = 0;
  bool eof_ = false;
  int line_ = 0;  // physical lines read
  // The logical line being gathered, and whether there is one.
  Logical pending_;
  bool has_pending_ = false;
  std::map<std::string, void*> converters_;  // iconv descriptors by charset
};

// `text` with its escapes undone: \n and \N become a line break ("\n"), and
// a backslash before any other character is taken off, as Android reads
// escapes vCard does not define (Gmail and Apple Contacts write a quote as
// \"). A backslash at the very end is kept.
std::string unescape(std::string_view text);

// `text` split at each ';' that is not escaped, each component unescaped.
std::vector<std::string> split_components(std::string_view text);

}  // namespace kwvcard

#endif
