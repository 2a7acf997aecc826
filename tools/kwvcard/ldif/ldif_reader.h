// LDIF text (Thunderbird's and Evolution's address-book export, an LDAP
// directory's entries) to records of attribute values, one record at a time.
// This layer knows lines, folding and base64 only; what an attribute means is
// decided by ldif_mapping.
#ifndef KWVCARD_TOOL_LDIF_READER_H
#define KWVCARD_TOOL_LDIF_READER_H

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace kwvcard {

struct LdifValue {
  int line = 0;           // the input line the attribute starts on
  std::string attribute;  // as written, options included: "cn;lang-de"
  std::string name;       // lower case, without options: "cn"
  std::string value;      // base64 decoded (its bytes may then be anything); a URL after ":<"
  bool base64 = false;    // written "attr:: ..."
  bool url = false;       // written "attr:< ...": a reference, not the value
};

struct LdifRecord {
  int line = 0;                   // the line of its dn:
  std::vector<LdifValue> values;  // in input order, dn: first
};

// Whether `in` holds LDIF: its first line that is not blank or a comment
// (after an optional UTF-8 byte-order mark and one "version:" line) starts
// with "dn:", in any case. Reads from the current position of `in` and leaves
// it where it stopped.
bool is_ldif(std::FILE* in);

// Reads the records of the LDIF `text` (UTF-8, whole in memory) one at a
// time; only the record being read is copied out of it. Lines end at LF or
// CR LF; a line starting with a space continues the one before it (without
// the line end and that space); a line starting with '#' is a comment, its
// continuations too; blank lines separate records; one "version:" line may
// come before the first record.
class LdifReader {
 public:
  LdifReader(std::string_view text, std::string name);  // messages name the input `name`

  // Puts the next record in `record`; false after the last. Throws
  // std::runtime_error("<name>:<line>: <what>") for a record that does not
  // start with dn: or has a second one, a line without ':' or without an
  // attribute name before it, a base64 value that is not valid base64 and a
  // folded line that continues no line.
  bool next(LdifRecord& record);

 private:
  bool physical(std::string_view& line);
  bool logical(std::string& line, int& at);
  void parse(const std::string& line, int at, LdifValue& out) const;
  [[noreturn]] void fail(int line, const std::string& what) const;

  std::string_view text_;
  std::string name_;
  std::size_t pos_ = 0;
  int line_ = 0;  // physical lines read
  bool first_ = true;
};

// The bytes the base64 `text` stands for: the standard alphabet, at most two
// '=' at the end, padding optional; false for anything else or a length of 1
// modulo 4.
bool decode_base64(std::string_view text, std::string& out);

}  // namespace kwvcard

#endif
