#include "workbook/xlsx_rows.h"

#include <cstring>
#include <map>
#include <stdexcept>

#include "workbook/cells.h"

namespace kwvcard {
namespace {

bool ends_with(std::string_view s, std::string_view end) {
  return s.size() >= end.size() && s.substr(s.size() - end.size()) == end;
}

// Excel writes characters XML cannot hold as _xHHHH_ (a carriage return is
// _x000D_, an underscore before such text _x005F_).
void unescape(std::string& text) {
  if (text.find("_x") == std::string::npos) return;
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    unsigned code = 0;
    if (text.compare(i, 2, "_x") == 0 && i + 7 <= text.size() && text[i + 6] == '_' &&
        std::sscanf(text.c_str() + i + 2, "%4x", &code) == 1 &&
        std::strspn(text.c_str() + i + 2, "0123456789abcdefABCDEF") >= 4) {
      if (code < 0x80) {
        out += static_cast<char>(code);
      } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
      } else {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
      }
      i += 6;
    } else {
      out += text[i];
    }
  }
  text = std::move(out);
}

// The part a relationship's `target` names, from the folder `base` ("xl/").
std::string part(const std::string& base, const std::string& target) {
  std::string path = target.rfind('/', 0) == 0 ? target.substr(1) : base + target;
  std::vector<std::string> parts;
  for (std::size_t begin = 0; begin <= path.size();) {
    std::size_t end = path.find('/', begin);
    if (end == std::string::npos) end = path.size();
    const std::string piece = path.substr(begin, end - begin);
    if (piece == "..") {
      if (!parts.empty()) parts.pop_back();
    } else if (!piece.empty() && piece != ".") {
      parts.push_back(piece);
    }
    begin = end + 1;
  }
  std::string joined;
  for (const std::string& p : parts) joined += (joined.empty() ? "" : "/") + p;
  return joined;
}

// A .rels part: each relationship's id, type and part.
struct Relationships : XmlHandler {
  explicit Relationships(std::string base) : base(std::move(base)) {}
  void start(std::string_view name, const char** a) override {
    const char *id = attribute(a, "Id"), *type = attribute(a, "Type"),
               *target = attribute(a, "Target"), *mode = attribute(a, "TargetMode");
    if (name != "Relationship" || id == nullptr || target == nullptr) return;
    if (mode != nullptr && std::strcmp(mode, "External") == 0) return;
    parts[id] = part(base, target);
    if (type != nullptr) by_type.emplace(type, parts[id]);
  }
  void end(std::string_view) override {}
  void text(std::string_view) override {}
  std::string of_type(std::string_view type) const {
    for (const auto& [t, p] : by_type) {
      if (ends_with(t, type)) return p;
    }
    return "";
  }

  std::string base;
  std::map<std::string, std::string> parts;
  std::multimap<std::string, std::string> by_type;
};

struct Workbook : XmlHandler {
  void start(std::string_view name, const char** a) override {
    if (name == "workbookPr") {
      const char* d = attribute(a, "date1904");
      date1904 = d != nullptr && (std::strcmp(d, "1") == 0 || std::strcmp(d, "true") == 0);
    } else if (name == "sheet") {
      const char *sheet = attribute(a, "name"), *id = attribute(a, "id");
      sheets.emplace_back(sheet == nullptr ? "" : sheet, id == nullptr ? "" : id);
    }
  }
  void end(std::string_view) override {}
  void text(std::string_view) override {}

  bool date1904 = false;
  std::vector<std::pair<std::string, std::string>> sheets;  // name, relationship id
};

// The text of <t> elements, phonetic runs (<rPh>) left out.
struct RichText {
  void start(std::string_view name) {
    if (name == "rPh") ++phonetic;
    if (name == "t" && phonetic == 0) in_t = true;
  }
  void end(std::string_view name) {
    if (name == "rPh") --phonetic;
    if (name == "t") in_t = false;
  }
  int phonetic = 0;
  bool in_t = false;
};

struct SharedStrings : XmlHandler {
  void start(std::string_view name, const char**) override {
    if (name == "si") current.clear();
    rich.start(name);
  }
  void end(std::string_view name) override {
    rich.end(name);
    if (name == "si") {
      unescape(current);
      strings.push_back(current);
    }
  }
  void text(std::string_view t) override {
    if (rich.in_t) current.append(t);
  }

  RichText rich;
  std::string current;
  std::vector<std::string> strings;
};

struct Styles : XmlHandler {
  void start(std::string_view name, const char** a) override {
    const int id = whole_number(attribute(a, "numFmtId"), 0, 1 << 20);
    if (name == "numFmt") {
      const char* code = attribute(a, "formatCode");
      codes[id] = code == nullptr ? "" : code;
    } else if (name == "cellXfs") {
      in_cell_xfs = true;
    } else if (name == "xf" && in_cell_xfs) {
      const auto code = codes.find(id);
      dates.push_back(is_date_format(id, code == codes.end() ? "" : code->second));
    }
  }
  void end(std::string_view name) override {
    if (name == "cellXfs") in_cell_xfs = false;
  }
  void text(std::string_view) override {}

  std::map<int, std::string> codes;
  bool in_cell_xfs = false;
  std::vector<bool> dates;
};

std::string folder(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? "" : path.substr(0, slash + 1);
}

}  // namespace

std::shared_ptr<const XlsxBook> read_xlsx(std::unique_ptr<Archive> archive, const std::string& name,
                                          const std::string& sheet) {
  auto book = std::make_shared<XlsxBook>();
  const Archive& a = *archive;
  std::string workbook_part = "xl/workbook.xml";
  if (a.has("_rels/.rels")) {
    Relationships root("");
    XmlEntry::parse(a, "_rels/.rels", root);
    const std::string office = root.of_type("/officeDocument");
    if (!office.empty()) workbook_part = office;
  }
  Workbook workbook;
  XmlEntry::parse(a, workbook_part, workbook);
  const std::string base = folder(workbook_part);
  Relationships rels(base);
  const std::string rels_part = base + "_rels/" + workbook_part.substr(base.size()) + ".rels";
  if (a.has(rels_part)) XmlEntry::parse(a, rels_part, rels);
  book->date1904 = workbook.date1904;

  if (workbook.sheets.empty()) throw std::runtime_error(a.invalid("the workbook has no sheets"));
  auto chosen = workbook.sheets.begin();
  if (!sheet.empty()) {
    std::string names;
    for (chosen = workbook.sheets.begin(); chosen != workbook.sheets.end(); ++chosen) {
      if (chosen->first == sheet) break;
      names += (names.empty() ? "\"" : ", \"") + chosen->first + "\"";
    }
    if (chosen == workbook.sheets.end())
      throw std::runtime_error(name + ": no sheet named \"" + sheet + "\" (its sheets: " + names +
                               ")");
  }
  const auto target = rels.parts.find(chosen->second);
  book->sheet_entry = target != rels.parts.end() ? target->second : base + "worksheets/sheet1.xml";
  if (!a.has(book->sheet_entry))
    throw std::runtime_error(a.invalid("the archive has no " + book->sheet_entry));

  std::string strings = rels.of_type("/sharedStrings"), styles = rels.of_type("/styles");
  if (strings.empty() && a.has(base + "sharedStrings.xml")) strings = base + "sharedStrings.xml";
  if (styles.empty() && a.has(base + "styles.xml")) styles = base + "styles.xml";
  if (!strings.empty()) {
    SharedStrings shared;
    XmlEntry::parse(a, strings, shared);
    book->shared = std::move(shared.strings);
  }
  if (!styles.empty()) {
    Styles s;
    XmlEntry::parse(a, styles, s);
    book->date_styles = std::move(s.dates);
  }
  book->archive = std::move(archive);
  return book;
}

// The sheet's XML: each <row> with text becomes a record once it ends.
class XlsxRows::Sheet : public XmlHandler {
 public:
  Sheet(const XlsxBook& book, std::deque<Record>& ready) : book_(book), ready_(ready) {}

  void start(std::string_view name, const char** a) override {
    if (name == "row") {
      line_ = whole_number(attribute(a, "r"), line_ + 1);
      record_ = Record{};
      record_.line = line_;
      column_ = 0;
    } else if (name == "c") {
      // The attributes of every cell, in one pass: this is the hot path.
      type_ = "n";
      style_ = 0;
      for (; a[0] != nullptr; a += 2) {
        if (a[0][0] == '\0' || a[0][1] != '\0') continue;
        if (a[0][0] == 'r') {
          const int column = column_of(a[1]);
          column_ = column >= 0 ? column : column_;
        } else if (a[0][0] == 't') {
          type_ = a[1];
        } else if (a[0][0] == 's') {
          style_ = whole_number(a[1], 0, 1 << 20);
        }
      }
      value_.clear();
      in_inline_ = false;
    } else if (name == "v") {
      in_v_ = true;
    } else if (name == "is") {
      in_inline_ = true;
    }
    rich_.start(name);
  }

  void end(std::string_view name) override {
    rich_.end(name);
    if (name == "v") {
      in_v_ = false;
    } else if (name == "c") {
      put_cell(record_, column_, cell_text());
      ++column_;
    } else if (name == "row") {
      if (record_.has_text()) ready_.push_back(std::move(record_));
    }
  }

  void text(std::string_view t) override {
    if (in_v_ || (in_inline_ && rich_.in_t)) value_.append(t);
  }

 private:
  std::string cell_text() {
    if (type_ == "s") {
      const int index = whole_number(value_.c_str(), -1, 1 << 30);
      return index >= 0 && static_cast<std::size_t>(index) < book_.shared.size()
                 ? book_.shared[static_cast<std::size_t>(index)]
                 : "";
    }
    if (type_ == "inlineStr" || type_ == "str") {
      unescape(value_);
      return value_;
    }
    if (type_ == "b") return value_ == "1" ? "TRUE" : value_ == "0" ? "FALSE" : "";
    if (type_ == "e") return "";
    if (type_ == "d") return value_.substr(0, value_.find('T'));
    if (static_cast<std::size_t>(style_) < book_.date_styles.size() &&
        book_.date_styles[static_cast<std::size_t>(style_)]) {
      char* end = nullptr;
      const double serial = std::strtod(value_.c_str(), &end);
      if (end != value_.c_str() && *end == '\0') {
        if (auto date = serial_date(serial, book_.date1904)) return *date;
      }
    }
    return number_text(value_);
  }

  const XlsxBook& book_;
  std::deque<Record>& ready_;
  Record record_;
  RichText rich_;
  int line_ = 0, column_ = 0, style_ = 0;
  std::string type_, value_;
  bool in_v_ = false, in_inline_ = false;
};

XlsxRows::XlsxRows(std::shared_ptr<const XlsxBook> book)
    : book_(std::move(book)),
      sheet_(std::make_unique<Sheet>(*book_, ready_)),
      entry_(std::make_unique<XmlEntry>(*book_->archive, book_->sheet_entry, *sheet_)) {}

XlsxRows::~XlsxRows() = default;

bool XlsxRows::next(Record& record) {
  while (ready_.empty() && entry_->feed()) {
  }
  if (ready_.empty()) return false;
  record = std::move(ready_.front());
  ready_.pop_front();
  return true;
}

}  // namespace kwvcard
