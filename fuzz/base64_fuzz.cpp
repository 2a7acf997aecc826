// The base64 body of arbitrary media bytes, attached to a card: 75 encoded
// characters on every physical line but the last, four spaces before each
// further line, one CR LF at the end, and a body that decodes to the bytes.
#include "KwvCard.h"
#include "fuzz.h"

namespace {

// Strict base64: the standard alphabet in whole quanta, '=' only as padding,
// unused bits zero. False for anything else.
bool decode(const std::string& text, std::string& out) {
  static const std::string abc = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  const std::size_t used = text.find_last_not_of('=') + 1, pad = text.size() - used;
  std::uint32_t acc = 0;
  int bits = 0;
  for (std::size_t i = 0; i < used; ++i) {
    const std::size_t v = abc.find(text[i]);
    if (v == std::string::npos) return false;
    acc = (acc << 6 | v) & 0xFFF, bits += 6;
    if (bits >= 8) out += static_cast<char>(acc >> (bits -= 8));
  }
  return text.size() % 4 == 0 && pad < 3 && (acc & ((1u << bits) - 1)) == 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using kwvfuzz::check;
  static std::string dir = kwvfuzz::scratch_dir(), path = dir + "/card.vcf", media = dir + "/m";
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  std::ofstream(media, std::ios::binary) << bytes;
  char type[] = "x-Bin";
  KwvCard card(path.data());
  check(card.QEL_AttachSound(media.data(), type) == 1, "attach", "1", "0");
  card.QEL_EndPacking();
  const std::string file = kwvfuzz::read_file(path);
  const std::string head = "BEGIN:VCARD\r\nVERSION:2.1\r\nSOUND;ENCODING=BASE64;TYPE=X-BIN:";
  const std::string tail = "\r\nEND:VCARD\r\n";
  check(file.size() >= head.size() + tail.size() && file.compare(0, head.size(), head) == 0 &&
            file.compare(file.size() - tail.size(), tail.size(), tail) == 0,
        "frame", head + "..." + tail, file);
  const std::string body = file.substr(head.size(), file.size() - head.size() - tail.size());
  std::string text, line, decoded;
  for (std::size_t pos = 0, eol = 0; eol != std::string::npos; pos = eol + 2) {
    eol = body.find("\r\n", pos);
    line = body.substr(pos, eol - pos);
    check(pos == 0 || line.compare(0, 4, "    ") == 0, "indent", "    ...", line);
    line.erase(0, pos == 0 ? 0 : 4);
    const bool last = eol == std::string::npos;
    check(last ? line.size() <= 75 && (pos == 0 || !line.empty()) : line.size() == 75,
          "line length", "75", line);
    text += line;
  }
  check(decode(text, decoded) && decoded == bytes, "decoded", bytes, decoded);
  return 0;
}
