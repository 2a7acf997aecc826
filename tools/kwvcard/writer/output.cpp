#include "writer/output.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <system_error>

namespace kwvcard {
namespace {

[[noreturn]] void fail(const std::string& what, const std::string& path) {
  throw std::runtime_error("cannot " + what + " " + path + ": " + std::strerror(errno));
}

// The file being written, removed if the process ends before it is complete:
// by the destructor, or at exit (the library ends the process with status 2
// when a photo cannot be held in memory).
std::string& unfinished() {
  static std::string path;
  return path;
}

void remove_unfinished() {
  if (!unfinished().empty()) std::remove(unfinished().c_str());
  unfinished().clear();
}

// At exit with a file unfinished, the library has ended the process (with
// status 2). It ends here, before objects of static duration are destroyed
// under the thread that may still be reading contacts (read_ahead.h).
void ended_early() {
  if (unfinished().empty()) return;
  std::fputs("kwvcard: stopped while writing a card: a photo too large to hold in memory\n",
             stderr);
  remove_unfinished();
  std::fflush(nullptr);
  _exit(2);
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

Output::Output(const std::string& file, const std::string& folder)
    : file_(file), folder_(folder), card_("kwvcard-card") {
  static const bool registered = std::atexit(ended_early) == 0;
  (void)registered;
  if (!folder_.empty()) {
    std::error_code error;
    std::filesystem::create_directories(folder_, error);
    if (!std::filesystem::is_directory(folder_))
      throw std::runtime_error("cannot create the folder " + folder_);
    return;
  }
  std::string temp = file_ + ".XXXXXX";
  const int fd = mkstemp(temp.data());
  if (fd < 0) fail("write", file_);
  const mode_t mask = umask(0);  // the permissions a new file gets
  umask(mask);
  fchmod(fd, 0666 & ~mask);
  out_ = fdopen(fd, "wb");
  if (out_ == nullptr) {
    std::remove(temp.c_str());
    fail("write", file_);
  }
  // stdio takes the size of a buffer only with the buffer itself.
  out_buffer_.resize(1 << 20);
  std::setvbuf(out_, out_buffer_.data(), _IOFBF, out_buffer_.size());
  unfinished() = temp;
}

Output::~Output() {
  if (out_ != nullptr) std::fclose(out_);
  remove_unfinished();
}

std::string Output::next_card(const std::string& name, std::size_t most_bytes) {
  if (!folder_.empty()) {
    const std::string base = safe(name);
    std::string unique = base;
    for (int n = 2; !names_.insert(unique).second; ++n) unique = base + "-" + std::to_string(n);
    unfinished() = folder_ + "/" + unique + ".vcf";
  }
  piped_ = most_bytes <= pipe_.room();
  return piped_ ? pipe_.path() : card_.path();
}

void Output::keep_card() {
  std::string_view card;
  if (!(piped_ ? pipe_.get(card) : card_.get(card)))
    fail("write", folder_.empty() ? file_ : unfinished());
  static const char kTrailer[] = "END:VCARD\r\n";
  const std::size_t trailer = sizeof kTrailer - 1;
  if (card.size() < trailer || card.substr(card.size() - trailer) != kTrailer) {
    throw std::runtime_error("cannot write " + (folder_.empty() ? file_ : unfinished()) +
                             ": the card could not be held in memory");
  }
  const std::size_t size = card.size();
  if (folder_.empty()) {
    if (size == 0 || std::fwrite(card.data(), 1, size, out_) != size) fail("write", file_);
    return;
  }
  const std::string& path = unfinished();
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd < 0) {
    const int error = errno;
    unfinished().clear();  // not created: nothing to remove
    errno = error;
    fail("write", path);
  }
  for (std::size_t done = 0; done < size;) {
    const ssize_t n = ::write(fd, card.data() + done, size - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      const int error = n < 0 ? errno : ENOSPC;
      close(fd);
      errno = error;
      fail("write", path);
    }
    done += static_cast<std::size_t>(n);
  }
  if (close(fd) != 0 || size == 0) fail("write", path);
  unfinished().clear();
}

void Output::finish() {
  if (out_ == nullptr) return;
  const bool closed = std::fclose(out_) == 0;
  out_ = nullptr;
  if (!closed || std::rename(unfinished().c_str(), file_.c_str()) != 0) fail("write", file_);
  unfinished().clear();
}

}  // namespace kwvcard
