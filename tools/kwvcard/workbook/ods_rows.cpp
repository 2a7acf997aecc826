#include "workbook/ods_rows.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

#include "workbook/cells.h"

namespace kwvcard {
namespace {

struct Manifest : XmlHandler {
  void start(std::string_view name, const char**) override {
    encrypted = encrypted || name == "encryption-data";
  }
  void end(std::string_view) override {}
  void text(std::string_view) override {}
  bool encrypted = false;
};

std::string value_of(const char** a, std::string_view name) {
  const char* v = attribute(a, name);
  return v == nullptr ? "" : v;
}

}  // namespace

void check_ods(const Archive& archive, const std::string& name) {
  Manifest manifest;
  if (archive.has("META-INF/manifest.xml"))
    XmlEntry::parse(archive, "META-INF/manifest.xml", manifest);
  if (manifest.encrypted)
    throw std::runtime_error(name + ": password-protected: save it without a password");
}

// content.xml: the chosen table's rows with text become records as they end.
class OdsRows::Content : public XmlHandler {
 public:
  Content(std::string name, std::string sheet, std::deque<Repeated>& ready)
      : name_(std::move(name)), sheet_(std::move(sheet)), ready_(ready) {}

  bool finished() const { return finished_; }

  void start(std::string_view name, const char** a) override {
    if (name == "table") {
      if (++tables_ == 1 && !found_) {
        const std::string table = value_of(a, "name");
        names_ += (names_.empty() ? "\"" : ", \"") + table + "\"";
        found_ = in_sheet_ = sheet_.empty() || table == sheet_;
      }
      return;
    }
    if (!in_sheet_ || tables_ != 1) return;
    if (name == "table-row") {
      rows_ = whole_number(attribute(a, "number-rows-repeated"), 1, kMaxRows);
      record_ = Record{};
      record_.line = line_ + 1;
      column_ = 0;
    } else if (name == "table-cell" || name == "covered-table-cell") {
      in_cell_ = true;
      columns_ = whole_number(attribute(a, "number-columns-repeated"), 1, kMaxColumns);
      type_ = value_of(a, "value-type");
      value_ = type_ == "date"      ? value_of(a, "date-value")
               : type_ == "boolean" ? value_of(a, "boolean-value")
                                    : value_of(a, "value");
      text_.clear();
      paragraphs_ = 0;
    } else if (name == "annotation") {
      ++notes_;
    } else if (in_cell_ && notes_ == 0) {
      if (name == "p" || name == "h") {
        if (paragraphs_++ > 0) text_ += '\n';
        ++in_p_;
      } else if (name == "s" && in_p_ > 0) {
        text_.append(static_cast<std::size_t>(whole_number(attribute(a, "c"), 1, 1000)), ' ');
      } else if (name == "tab" && in_p_ > 0) {
        text_ += '\t';
      } else if (name == "line-break" && in_p_ > 0) {
        text_ += '\n';
      }
    }
  }

  void end(std::string_view name) override {
    if (name == "table") {
      if (tables_-- == 1 && in_sheet_) in_sheet_ = false, finished_ = true;
      return;
    }
    if (!in_sheet_ || tables_ != 1) return;
    if (name == "annotation") {
      --notes_;
    } else if ((name == "p" || name == "h") && notes_ == 0 && in_p_ > 0) {
      --in_p_;
    } else if (name == "table-cell" || name == "covered-table-cell") {
      in_cell_ = false;
      const std::string text = cell_text();
      if (text.empty()) {
        column_ = std::min(column_ + columns_, kMaxColumns);
      } else {
        for (int i = 0; i < columns_ && column_ < kMaxColumns; ++i)
          put_cell(record_, column_++, text);
      }
    } else if (name == "table-row") {
      const int times = std::min(rows_, kMaxRows - line_);
      if (record_.has_text() && times > 0) ready_.push_back({std::move(record_), times});
      line_ = std::min(line_ + rows_, kMaxRows);
    }
  }

  void text(std::string_view t) override {
    if (in_cell_ && notes_ == 0 && in_p_ > 0) text_.append(t);
  }

  // After the whole content: throws when the sheet was not there.
  void check_found() const {
    if (!found_ && !sheet_.empty())
      throw std::runtime_error(name_ + ": no sheet named \"" + sheet_ +
                               "\" (its sheets: " + names_ + ")");
  }

 private:
  std::string cell_text() const {
    if (type_ == "float" || type_ == "percentage" || type_ == "currency")
      return value_.empty() ? text_ : number_text(value_);
    if (type_ == "date") return value_.empty() ? text_ : value_.substr(0, value_.find('T'));
    if (type_ == "boolean") return value_ == "true" ? "TRUE" : value_ == "false" ? "FALSE" : text_;
    return text_;
  }

  std::string name_, sheet_, names_;
  std::deque<Repeated>& ready_;
  Record record_;
  int tables_ = 0, line_ = 0, rows_ = 1, column_ = 0, columns_ = 1, notes_ = 0, in_p_ = 0,
      paragraphs_ = 0;
  std::string type_, value_, text_;
  bool found_ = false, in_sheet_ = false, in_cell_ = false, finished_ = false;
};

OdsRows::OdsRows(std::shared_ptr<const Archive> archive, std::string name, std::string sheet)
    : archive_(std::move(archive)),
      content_(std::make_unique<Content>(std::move(name), std::move(sheet), ready_)),
      entry_(std::make_unique<XmlEntry>(*archive_, "content.xml", *content_)) {}

OdsRows::~OdsRows() = default;

bool OdsRows::next(Record& record) {
  while (ready_.empty() && !content_->finished()) {
    if (!entry_->feed()) {
      content_->check_found();
      break;
    }
  }
  if (ready_.empty()) return false;
  Repeated& front = ready_.front();
  if (--front.times == 0) {
    record = std::move(front.record);
    ready_.pop_front();
  } else {
    record = front.record;
    ++front.record.line;
  }
  return true;
}

}  // namespace kwvcard
