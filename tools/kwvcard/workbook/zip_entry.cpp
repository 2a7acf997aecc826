#include "workbook/zip_entry.h"

#include <unistd.h>

#include <new>
#include <stdexcept>

namespace kwvcard {
namespace {

constexpr std::size_t kChunk = 1 << 16;
// Names are taken without their prefix ("x:c" is "c"): no producer gives one
// local name two meanings in the parts read, and expat is faster without
// resolving namespaces.
constexpr char kPrefixEnd = ':';

std::string_view local_name(std::string_view name) {
  const std::size_t end = name.rfind(kPrefixEnd);
  return end == std::string_view::npos ? name : name.substr(end + 1);
}

std::string zip_message(zip_error_t* error) {
  std::string message = zip_error_strerror(error);
  zip_error_fini(error);
  return message;
}

}  // namespace

Archive::Archive(int fd, std::string name) : name_(std::move(name)) {
  const int copy = dup(fd);
  if (copy < 0) throw std::runtime_error("cannot read " + name_);
  lseek(copy, 0, SEEK_SET);
  int code = 0;
  zip_ = zip_fdopen(copy, 0, &code);
  if (zip_ == nullptr) {
    close(copy);
    zip_error_t error;
    zip_error_init_with_code(&error, code);
    throw std::runtime_error(invalid("not a ZIP archive: " + zip_message(&error)));
  }
}

Archive::~Archive() {
  zip_discard(zip_);
}

bool Archive::has(const std::string& entry) const {
  return zip_name_locate(zip_, entry.c_str(), 0) >= 0;
}

std::string Archive::head(const std::string& entry, std::size_t limit) const {
  zip_file_t* file = zip_fopen(zip_, entry.c_str(), 0);
  if (file == nullptr) return "";
  std::string bytes(limit, '\0');
  const zip_int64_t n = zip_fread(file, bytes.data(), limit);
  zip_fclose(file);
  bytes.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
  return bytes;
}

std::string Archive::invalid(const std::string& why) const {
  return name_ + ": not a valid " + kind_ + " workbook (" + why + ")";
}

const char* attribute(const char** attributes, std::string_view name) {
  for (; attributes[0] != nullptr; attributes += 2) {
    if (local_name(attributes[0]) == name) return attributes[1];
  }
  return nullptr;
}

XmlEntry::XmlEntry(const Archive& archive, std::string entry, XmlHandler& handler)
    : archive_(archive), entry_(std::move(entry)), handler_(handler) {
  file_ = zip_fopen(archive.get(), entry_.c_str(), 0);
  if (file_ == nullptr) throw std::runtime_error(archive.invalid("the archive has no " + entry_));
  parser_ = XML_ParserCreate(nullptr);
  if (parser_ == nullptr) {
    zip_fclose(file_);
    throw std::bad_alloc();
  }
  XML_SetUserData(parser_, this);
  XML_SetElementHandler(parser_, on_start, on_end);
  XML_SetCharacterDataHandler(parser_, on_text);
}

XmlEntry::~XmlEntry() {
  XML_ParserFree(parser_);
  zip_fclose(file_);
}

template <typename F>
void XmlEntry::guarded(F f) {
  if (error_) return;
  try {
    f();
  } catch (...) {
    error_ = std::current_exception();
    XML_StopParser(parser_, XML_FALSE);
  }
}

void XMLCALL XmlEntry::on_start(void* self, const XML_Char* name, const XML_Char** attributes) {
  auto* e = static_cast<XmlEntry*>(self);
  e->guarded([&] { e->handler_.start(local_name(name), attributes); });
}

void XMLCALL XmlEntry::on_end(void* self, const XML_Char* name) {
  auto* e = static_cast<XmlEntry*>(self);
  e->guarded([&] { e->handler_.end(local_name(name)); });
}

void XMLCALL XmlEntry::on_text(void* self, const XML_Char* text, int size) {
  auto* e = static_cast<XmlEntry*>(self);
  e->guarded([&] { e->handler_.text(std::string_view(text, static_cast<std::size_t>(size))); });
}

bool XmlEntry::feed() {
  if (done_) return false;
  void* buffer = XML_GetBuffer(parser_, kChunk);
  if (buffer == nullptr) throw std::bad_alloc();
  const zip_int64_t n = zip_fread(file_, buffer, kChunk);
  if (n < 0) {
    throw std::runtime_error(
        archive_.invalid(entry_ + ": " + zip_error_strerror(zip_file_get_error(file_))));
  }
  done_ = n == 0;
  const XML_Status status = XML_ParseBuffer(parser_, static_cast<int>(n), done_);
  if (error_) std::rethrow_exception(error_);
  if (status != XML_STATUS_OK) {
    throw std::runtime_error(archive_.invalid(entry_ + " line " +
                                              std::to_string(XML_GetCurrentLineNumber(parser_)) +
                                              ": " + XML_ErrorString(XML_GetErrorCode(parser_))));
  }
  return !done_;
}

void XmlEntry::parse(const Archive& archive, std::string entry, XmlHandler& handler) {
  XmlEntry e(archive, std::move(entry), handler);
  while (e.feed()) {
  }
}

}  // namespace kwvcard
