// Photos and sounds: by reference (a URL line), or inline from a media file as
// base64 folded at 75 characters per physical line.
#include <sys/stat.h>
#include <sys/types.h>

#include <cctype>
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

// Writes `text` folded: kFoldWidth characters per physical line, kFold before
// every further line, CR LF at the end. Lines are gathered in a local block so
// that a large body costs few writes.
void write_folded(std::FILE* stream, const char* text, std::size_t len) {
  constexpr std::size_t kLine = sizeof kFold - 1 + kFoldWidth;
  char block[200 * kLine];
  std::size_t used = 0;
  for (std::size_t pos = 0; pos < len; pos += kFoldWidth) {
    if (used + kLine + 2 > sizeof block) {  // room for a line and the final CR LF
      kwv::write_bytes(stream, block, used);
      used = 0;
    }
    if (pos > 0) {
      std::memcpy(block + used, kFold, sizeof kFold - 1);
      used += sizeof kFold - 1;
    }
    const std::size_t n = len - pos < kFoldWidth ? len - pos : kFoldWidth;
    std::memcpy(block + used, text + pos, n);
    used += n;
  }
  block[used++] = '\r';
  block[used++] = '\n';
  kwv::write_bytes(stream, block, used);
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
  struct stat st;
  if (fstat(fileno(media), &st) == 0 && S_ISDIR(st.st_mode)) {
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
  card.QEL_Base64Encode(media);
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
  if (size < 0 || size > kMaxMediaSize) out_of_memory();

  const auto n = static_cast<std::size_t>(size);
  auto* data = static_cast<unsigned char*>(std::malloc(n > 0 ? n : 1));
  if (data == nullptr) out_of_memory();
  char* const buffer = static_cast<char*>(std::malloc(4 * ((n + 2) / 3) + 1));
  if (buffer == nullptr) {
    std::free(data);
    out_of_memory();
  }
  const std::size_t got = std::fread(data, 1, n, media);
  if (got < n) std::memset(data + got, 0, n - got);

  buffer[0] = '\0';
  char* text = buffer;
  QEL_base64_encode(data, static_cast<int>(n), &text);
  std::free(data);
  // The encoder fills the buffer it is handed; should one hand back its own
  // text instead, that text stays the encoder's.
  if (text == nullptr) text = buffer;
  write_folded(stream, text, std::strlen(text));
  std::free(buffer);
}
