// Photos and sounds: by reference (a URL line), or inline from a media file as
// base64 folded at 75 characters per physical line.
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/types.h>

#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "KwvCard.h"
#include "QEL_base64.h"
#include "card/line.h"

namespace {

constexpr std::size_t kHeaderCapacity = 400;
constexpr std::size_t kFoldWidth = 75;
constexpr char kFold[] = "\r\n    ";  // line break and the continuation indent
// The largest size whose encoded length still fits in an int.
constexpr off_t kMaxMediaSize = 1610612733;

// Never returns: the data cannot be held in memory.
[[noreturn]] void out_of_memory() {
  std::exit(2);
}

constexpr std::size_t kFoldLength = sizeof kFold - 1;

// Lays base64 text out folded in a buffer: kFoldWidth characters per physical
// line, kFold before every further line, CR LF at the end. The text comes in
// pieces of any length, as the encoder gives them. A buffer sized by
// folded_size holds the whole body; should the text be longer than that, what
// the buffer holds is written out to make room.
class Folder {
 public:
  Folder(std::FILE* stream, char* buffer, std::size_t capacity)
      : stream_(stream), buffer_(buffer), capacity_(capacity) {}

  // The folded length of `encoded` characters of text, final CR LF included.
  static std::size_t folded_size(std::size_t encoded) {
    const std::size_t lines = (encoded + kFoldWidth - 1) / kFoldWidth;
    return encoded + (lines > 1 ? (lines - 1) * kFoldLength : 0) + 2;
  }

  void add(const char* text, std::size_t n) {
    while (n > 0) {
      if (column_ == kFoldWidth) {
        room(kFoldLength);
        std::memcpy(buffer_ + used_, kFold, kFoldLength);
        used_ += kFoldLength;
        column_ = 0;
      }
      const std::size_t take = n < kFoldWidth - column_ ? n : kFoldWidth - column_;
      room(take);
      std::memcpy(buffer_ + used_, text, take);
      used_ += take;
      column_ += take;
      text += take;
      n -= take;
    }
  }

  // Ends the body with CR LF and writes what the buffer holds.
  void finish() {
    room(2);
    buffer_[used_++] = '\r';
    buffer_[used_++] = '\n';
    kwv::write_bytes(stream_, buffer_, used_);
  }

 private:
  void room(std::size_t n) {
    if (used_ + n > capacity_) {
      kwv::write_bytes(stream_, buffer_, used_);
      used_ = 0;
    }
  }

  std::FILE* stream_;
  char* buffer_;
  std::size_t capacity_;  // at least kFoldLength + kFoldWidth
  std::size_t used_ = 0;
  std::size_t column_ = 0;  // characters on the current physical line
};

// The media is encoded a piece at a time into a small buffer that stays in
// cache, and each piece laid out folded at once, so the text is written to
// memory only once, in its final form. A piece is a multiple of three bytes
// (whose encodings join without padding) and of four lines' worth (225 bytes).
constexpr std::size_t kPieceBytes = 16 * 225;
constexpr std::size_t kPieceText = kPieceBytes / 3 * 4;

// Memory for the media data and for its folded base64 text. The first touch of each
// 4 KiB page costs more than encoding it, so buffers from 1 MiB up are mapped
// from the kernel, aligned to 2 MiB and marked for transparent huge pages: a
// 16 MiB photo's two buffers then take some twenty page faults instead of
// 9,500. (A huge page may hold up to twice what is asked, which stays within
// the memory the data and its text need anyway.) Smaller buffers come from
// malloc. data() is null when the memory cannot be had.
class MediaBuffer {
 public:
  explicit MediaBuffer(std::size_t size) {
    if (size < kHugePage / 2) {
      data_ = static_cast<char*>(std::malloc(size > 0 ? size : 1));
      return;
    }
    // Map a huge page more than needed, then unmap the unaligned ends.
    const std::size_t length = round_up(size);
    void* raw = mmap(nullptr, length + kHugePage, PROT_READ | PROT_WRITE,
                     MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (raw == MAP_FAILED) return;
    char* const start = static_cast<char*>(raw);
    char* const aligned =
        reinterpret_cast<char*>(round_up(reinterpret_cast<std::uintptr_t>(start)));
    if (aligned > start) munmap(start, static_cast<std::size_t>(aligned - start));
    char* const end = start + length + kHugePage;
    if (aligned + length < end)
      munmap(aligned + length, static_cast<std::size_t>(end - aligned - length));
    madvise(aligned, length, MADV_HUGEPAGE);  // a hint: without huge pages all still works
    data_ = aligned;
    mapped_ = length;
  }
  ~MediaBuffer() {
    if (mapped_ != 0) {
      munmap(data_, mapped_);
    } else {
      std::free(data_);
    }
  }
  MediaBuffer(const MediaBuffer&) = delete;
  MediaBuffer& operator=(const MediaBuffer&) = delete;

  char* data() const { return data_; }
  // The bytes mapped, all usable (at least the size asked for); 0 for a
  // buffer from malloc.
  std::size_t mapped() const { return mapped_; }

 private:
  static constexpr std::size_t kHugePage = std::size_t{2} << 20;
  template <typename T>
  static T round_up(T n) {
    return (n + (kHugePage - 1)) & ~static_cast<T>(kHugePage - 1);
  }

  char* data_ = nullptr;
  std::size_t mapped_ = 0;  // 0 when from malloc
};

// Writes the folded base64 body of the first `size` bytes of `media`, read
// from where it stands, to `stream`. Ends the process with status 2 when the
// size is unknown (negative) or too large, or memory cannot be had.
void write_body(std::FILE* stream, std::FILE* media, off_t size) {
  if (size < 0 || size > kMaxMediaSize) out_of_memory();

  const auto n = static_cast<std::size_t>(size);
  // Room for the whole folded body, and never less than a physical line.
  std::size_t folded = Folder::folded_size(4 * ((n + 2) / 3));
  if (folded < kFoldLength + kFoldWidth) folded = kFoldLength + kFoldWidth;
  MediaBuffer data(n);
  if (data.data() == nullptr) out_of_memory();
  MediaBuffer text(folded);
  if (text.data() == nullptr) out_of_memory();
  const std::size_t got = std::fread(data.data(), 1, n, media);
  if (got < n) std::memset(data.data() + got, 0, n - got);

  Folder body(stream, text.data(), text.mapped() != 0 ? text.mapped() : folded);
  for (std::size_t pos = 0; pos < n; pos += kPieceBytes) {
    const std::size_t bytes = n - pos < kPieceBytes ? n - pos : kPieceBytes;
    const std::size_t expected = 4 * ((bytes + 2) / 3);
    char piece[kPieceText + 1];
    piece[0] = '\0';
    char* encoded = piece;
    const int result = QEL_base64_encode(data.data() + pos, static_cast<int>(bytes), &encoded);
    // The encoder fills the buffer it is handed; should one hand back its own
    // text instead, that text stays the encoder's. Our encoder reports the
    // length it wrote, which spares a scan of the text.
    if (encoded == nullptr) encoded = piece;
    const bool known = encoded == piece && result >= 0 &&
                       static_cast<std::size_t>(result) == expected && piece[expected] == '\0';
    body.add(encoded, known ? expected : std::strlen(encoded));
  }
  body.finish();
}

// Writes the attachment header and the folded body of the file at `path`.
int attach(KwvCard& card, std::FILE* stream, const char* prefix, char* path, char* type) {
  if (stream == nullptr || path == nullptr || type == nullptr) return 0;
  // The prefix, the type, ':' and the terminator must fit the header buffer;
  // a longer type is refused before anything is opened or changed.
  const void* nul = std::memchr(type, '\0', kHeaderCapacity);
  if (nul == nullptr) return 0;
  const auto type_len = static_cast<std::size_t>(static_cast<const char*>(nul) - type);
  if (std::strlen(prefix) + type_len + 1 >= kHeaderCapacity) return 0;

  std::FILE* media = std::fopen(path, "rb");
  if (media == nullptr) return 0;
  // The file is read whole into the card's own buffer: no stdio buffer (and
  // no fstat(2) to size one) in between.
  std::setvbuf(media, nullptr, _IONBF, 0);
  struct stat st;
  const bool known = fstat(fileno(media), &st) == 0;
  if (known && S_ISDIR(st.st_mode)) {
    std::fclose(media);  // a directory opens for reading here, but holds no media
    return 0;
  }
  for (std::size_t i = 0; i < type_len; ++i) {
    type[i] = static_cast<char>(std::toupper(static_cast<unsigned char>(type[i])));
  }
  char buf[kHeaderCapacity];
  kwv::Line header(buf, sizeof buf);
  header.add(prefix).add(type, type_len).add(":");
  kwv::write_bytes(stream, header.data(), header.size());
  if (known && S_ISREG(st.st_mode)) {
    write_body(stream, media, st.st_size);  // a regular file's size is known already
  } else {
    card.QEL_Base64Encode(media);  // anything else is sized by seeking, as a caller's stream
  }
  std::fclose(media);
  return 1;
}

}  // namespace

void KwvCard::QEL_AddRefPhoto(char* url) {
  kwv::write_text_line<kwv::kUrlCapacity>(stream, charset, lang, "URL", nullptr, url,
                                          "PHOTO;VALUE=");
}

void KwvCard::QEL_AddRefSound(char* url) {
  kwv::write_text_line<kwv::kUrlCapacity>(stream, charset, lang, "URL", nullptr, url,
                                          "SOUND;VALUE=");
}

int KwvCard::QEL_AttachPhoto(char* path, char* type) {
  return attach(*this, stream, "PHOTO;ENCODING=BASE64;TYPE=", path, type);
}

int KwvCard::QEL_AttachSound(char* path, char* type) {
  return attach(*this, stream, "SOUND;ENCODING=BASE64;TYPE=", path, type);
}

void KwvCard::QEL_Base64Encode(std::FILE* media) {
  if (stream == nullptr || media == nullptr) return;
  // off_t is 64 bits on every target (the build sets _FILE_OFFSET_BITS=64), so
  // on 32-bit ARM too a file beyond 2 GiB opens and sizes, and is refused here.
  off_t size = -1;
  if (fseeko(media, 0, SEEK_END) == 0) size = ftello(media);
  std::rewind(media);
  write_body(stream, media, size);
}
