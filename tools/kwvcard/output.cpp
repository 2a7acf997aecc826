#include "output.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <system_error>

namespace kwvcard {
namespace {

[[noreturn]] void fail(const std::string& what, const std::string& path) {
  throw std::runtime_error("cannot " + what + " " + path + ": " + std::strerror(errno));
}

// Creates an empty file from `pattern` (ending in XXXXXX) with the permissions
// a new file gets, and returns its name; `destination` names it in messages.
std::string temporary(const std::string& pattern, const std::string& destination) {
  std::string path = pattern;
  const int fd = mkstemp(path.data());
  if (fd < 0) fail("write", destination);
  const mode_t mask = umask(0);
  umask(mask);
  fchmod(fd, 0666 & ~mask);
  close(fd);
  return path;
}

// `name` made safe as a file name: no path separators, reserved or control
// characters, no leading dot, at most 100 bytes (whole UTF-8 characters).
std::string safe(const std::string& name) {
  std::string out;
  for (char c : name) {
    const bool unsafe = static_cast<unsigned char>(c) < 0x20 || c == 0x7F ||
                        std::strchr("/\\:*?\"<>|", c) != nullptr;
    out += unsafe ? '_' : c;
  }
  out.erase(0, out.find_first_not_of(". "));
  if (out.size() > 100) {
    std::size_t end = 100;
    while ((static_cast<unsigned char>(out[end]) & 0xC0) == 0x80) --end;
    out.resize(end);
  }
  out.erase(out.find_last_not_of(". ") + 1);
  return out.empty() ? "contact" : out;
}

}  // namespace

Output::Output(const std::string& file, const std::string& folder) : file_(file), folder_(folder) {
  if (!folder_.empty()) {
    std::error_code error;
    std::filesystem::create_directories(folder_, error);
    if (!std::filesystem::is_directory(folder_))
      throw std::runtime_error("cannot create the folder " + folder_);
    return;
  }
  temp_file_ = temporary(file_ + ".XXXXXX", file_);
  out_ = std::fopen(temp_file_.c_str(), "wb");
  if (out_ == nullptr) fail("write", temp_file_);
  const std::filesystem::path dir = std::filesystem::path(file_).parent_path();
  card_ = temporary((dir / ".kwvcard-card-XXXXXX").string(), file_);
}

Output::~Output() {
  if (out_ != nullptr) std::fclose(out_);
  if (!temp_file_.empty()) std::remove(temp_file_.c_str());
  if (!card_.empty()) std::remove(card_.c_str());
}

const std::string& Output::next_card() {
  if (!folder_.empty()) card_ = temporary(folder_ + "/.kwvcard-card-XXXXXX", folder_);
  return card_;
}

void Output::keep_card(const std::string& name) {
  if (!folder_.empty()) {
    const std::string path = folder_ + "/" + unique_name(name) + ".vcf";
    if (std::rename(card_.c_str(), path.c_str()) != 0) fail("write", path);
    card_.clear();
    return;
  }
  std::FILE* card = std::fopen(card_.c_str(), "rb");
  if (card == nullptr) fail("read", card_);
  char block[1 << 16];
  for (std::size_t n; (n = std::fread(block, 1, sizeof block, card)) > 0;) {
    if (std::fwrite(block, 1, n, out_) != n) break;
  }
  const bool failed = std::ferror(card) || std::ferror(out_);
  std::fclose(card);
  if (failed) fail("write", file_);
}

void Output::finish() {
  if (out_ == nullptr) return;
  const bool closed = std::fclose(out_) == 0;
  out_ = nullptr;
  if (!closed || std::rename(temp_file_.c_str(), file_.c_str()) != 0) fail("write", file_);
  temp_file_.clear();
}

std::string Output::unique_name(const std::string& name) {
  const std::string base = safe(name);
  std::string candidate = base;
  for (int n = 2; !names_.insert(candidate).second; ++n) candidate = base + "-" + std::to_string(n);
  return candidate;
}

}  // namespace kwvcard
