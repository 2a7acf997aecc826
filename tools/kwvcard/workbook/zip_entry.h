// A workbook's archive (xlsx, ods) through libzip, and its XML parts read
// through expat a chunk at a time, so that no part is ever held whole.
#ifndef KWVCARD_TOOL_ZIP_ENTRY_H
#define KWVCARD_TOOL_ZIP_ENTRY_H

#include <expat.h>
#include <zip.h>

#include <exception>
#include <string>
#include <string_view>

namespace kwvcard {

// An open archive. Messages name it `name` and call it a `kind` ("xlsx",
// "ods") once that is known.
class Archive {
 public:
  // Opens the archive in the file `fd` (which stays the caller's). Throws
  // std::runtime_error when it is not a ZIP archive.
  Archive(int fd, std::string name);
  ~Archive();
  Archive(const Archive&) = delete;
  Archive& operator=(const Archive&) = delete;

  void set_kind(std::string kind) { kind_ = std::move(kind); }
  bool has(const std::string& entry) const;
  // The first `limit` bytes of `entry` (a short entry such as ods's mimetype).
  std::string head(const std::string& entry, std::size_t limit) const;
  zip_t* get() const { return zip_; }
  // "NAME: not a valid KIND workbook (WHY)".
  std::string invalid(const std::string& why) const;

 private:
  zip_t* zip_ = nullptr;
  std::string name_, kind_ = "xlsx or ods";
};

// What an XML part's reader does with its elements. Names are local names
// (the prefix taken off); attributes as expat gives them, prefix and all. A
// callback may throw: the parse stops and XmlEntry::feed throws it again.
class XmlHandler {
 public:
  virtual ~XmlHandler() = default;
  virtual void start(std::string_view name, const char** attributes) = 0;
  virtual void end(std::string_view name) = 0;
  virtual void text(std::string_view text) = 0;
};

// The value of the attribute whose local name is `name`, or null.
const char* attribute(const char** attributes, std::string_view name);

// One XML entry of an archive, parsed as it is read.
class XmlEntry {
 public:
  // Throws std::runtime_error when the archive has no `entry`.
  XmlEntry(const Archive& archive, std::string entry, XmlHandler& handler);
  ~XmlEntry();
  XmlEntry(const XmlEntry&) = delete;
  XmlEntry& operator=(const XmlEntry&) = delete;

  // Parses the next chunk; false once the whole entry has been parsed.
  // Throws std::runtime_error when the entry cannot be read or is not XML.
  bool feed();
  // Parses the whole entry.
  static void parse(const Archive& archive, std::string entry, XmlHandler& handler);

 private:
  static void XMLCALL on_start(void* self, const XML_Char* name, const XML_Char** attributes);
  static void XMLCALL on_end(void* self, const XML_Char* name);
  static void XMLCALL on_text(void* self, const XML_Char* text, int size);
  template <typename F>
  void guarded(F f);

  const Archive& archive_;
  std::string entry_;
  XmlHandler& handler_;
  zip_file_t* file_ = nullptr;
  XML_Parser parser_ = nullptr;
  std::exception_ptr error_;
  bool done_ = false;
};

}  // namespace kwvcard

#endif
