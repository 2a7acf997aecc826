// The C interface (kwvcard.h): each function a thin wrapper of the kwv::Card
// operation of the same name. What is refused is decided by kwv::Card alone;
// this file turns C text into string views, bit sets into type sets, and,
// after a refusal, finds the phrase kwv_card_refusal() gives for it.
//
// The library is built without exceptions and without libstdc++: the card is
// allocated with malloc and constructed in place, so nothing here can throw
// or needs the C++ runtime.
#include <errno.h>

#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <new>
#include <string_view>

#include "KwvCard.hpp"
#include "kwvcard.h"

namespace {

// What a kwv_card* points to. kwv_card itself is never defined: the ABI
// holds it as an opaque type, so the layout of kwv::Card, which may change
// from one release to the next, is no part of it.
struct Handle {
  explicit Handle(std::string_view path) : card(path) {}
  kwv::Card card;
  bool quoted_printable = false;  // the encoding as last set
  const char* refusal = nullptr;  // why the last call was refused, or null
};

Handle* handle(kwv_card* card) {
  return reinterpret_cast<Handle*>(card);
}
const Handle* handle(const kwv_card* card) {
  return reinterpret_cast<const Handle*>(card);
}

// What kwv_card_refusal() says.
constexpr const char kNoCard[] = "no card";
constexpr const char kNoText[] = "a null text with a nonzero length";
constexpr const char kNul[] = "a NUL byte, which would cut the value";
constexpr const char kBreak[] = "a line break, which an 8-bit value cannot hold";
constexpr const char kTelBreak[] = "a line break, which a telephone number cannot hold";
constexpr const char kTooLong[] = "too long for its line once converted and encoded";
constexpr const char kComponents[] = "more components than the property holds";
constexpr const char kBackslash[] =
    "a component other than the last ends in a backslash, which would escape the separator";
constexpr const char kTypes[] = "a type bit outside the property's types";
constexpr const char kDate[] = "not a date: year 0 to 9999, month 1 to 12, day 1 to 31";
constexpr const char kMedia[] =
    "no regular file of at most 1610612733 bytes, or no known type for it";
constexpr const char kCharset[] = "not a charset the card can write";
constexpr const char kLanguage[] = "not a language tag a parameter can hold";
constexpr const char kEncoding[] =
    "not an encoding, or quoted-printable with a charset name over 13 bytes";

// A text that kwv::Card refuses (it holds NUL): what a null text with a
// length becomes, so that the operation is refused the usual way.
constexpr std::string_view kRefusedText("\0", 1);

std::string_view view(const char* data, std::size_t len) {
  if (data == nullptr) return len == 0 ? std::string_view() : kRefusedText;
  return std::string_view(data, len == KWV_NUL_TERMINATED ? std::strlen(data) : len);
}

bool has(std::string_view v, char c) {
  return v.find(c) != std::string_view::npos;
}

// Why kwv::Card refused the value `v` (`n` components, of a structured
// property when `structured`): the first rule it breaks, else its length.
const char* why_value(const Handle* card, const std::string_view* v, std::size_t n, bool structured,
                      bool tel = false) {
  for (std::size_t i = 0; i < n; ++i) {
    if (v[i].data() == kRefusedText.data()) return kNoText;
    if (has(v[i], '\0')) return kNul;
  }
  for (std::size_t i = 0; i < n; ++i) {
    if ((tel || !card->quoted_printable) && (has(v[i], '\r') || has(v[i], '\n')))
      return tel ? kTelBreak : kBreak;
    if (structured && i + 1 < n && !v[i].empty() && v[i].back() == '\\') return kBackslash;
  }
  return kTooLong;
}

// Records the outcome of a call: `why()` gives the refusal when `done` is false.
template <typename Why>
bool finish(Handle* card, bool done, Why why) {
  card->refusal = done ? nullptr : why();
  return done;
}

bool refuse(Handle* card, const char* why) {
  card->refusal = why;
  return false;
}

bool text_line(Handle* card, const char* text, std::size_t len,
               bool (kwv::Card::*operation)(std::string_view)) {
  if (card == nullptr) return false;
  const std::string_view v = view(text, len);
  return finish(card, (card->card.*operation)(v), [&] { return why_value(card, &v, 1, false); });
}

// N and ORG: the `n` components, at most `Most`, handed to `operation` as a
// braced list of their views.
template <std::size_t Most, typename Operation>
bool components(Handle* card, const kwv_text* parts, std::size_t n, Operation operation) {
  if (card == nullptr) return false;
  if (n > Most) return refuse(card, kComponents);
  if (parts == nullptr && n > 0) return refuse(card, kNoText);
  std::string_view v[5];
  for (std::size_t i = 0; i < n; ++i) v[i] = view(parts[i].data, parts[i].len);
  const bool done = n == 0   ? operation({})
                    : n == 1 ? operation({v[0]})
                    : n == 2 ? operation({v[0], v[1]})
                    : n == 3 ? operation({v[0], v[1], v[2]})
                    : n == 4 ? operation({v[0], v[1], v[2], v[3]})
                             : operation({v[0], v[1], v[2], v[3], v[4]});
  return finish(card, done, [&] { return why_value(card, v, n, true); });
}

// The set of the types whose bits are on in `bits`, bit i standing for the
// type named names[i] (enumerator i); false when a bit stands for no type.
template <typename Type, std::size_t N>
bool types_of(unsigned bits, const char* const (&)[N], kwv::Types<Type>& types) {
  for (std::size_t i = 0; i < N; ++i) {
    if ((bits >> i) & 1u) types.add(static_cast<Type>(i));
  }
  return (bits >> N) == 0;
}

bool media(Handle* card, const char* path, const char* type, bool sound) {
  if (card == nullptr) return false;
  if (path == nullptr) return refuse(card, kMedia);
  kwv::Card& c = card->card;
  const bool done = type == nullptr ? (sound ? c.sound(path) : c.photo(path))
                                    : (sound ? c.sound(path, type) : c.photo(path, type));
  return finish(card, done, [] { return kMedia; });
}

// A setting's name: refused when null or empty (an empty charset or language
// would write a parameter without a value).
bool setting(Handle* card, const char* name, bool (kwv::Card::*operation)(std::string_view),
             const char* why) {
  if (card == nullptr) return false;
  const bool done = name != nullptr && name[0] != '\0' && (card->card.*operation)(name);
  return finish(card, done, [&] { return why; });
}

}  // namespace

extern "C" {

kwv_card* kwv_card_open(const char* path) {
  if (path == nullptr) {
    errno = EINVAL;
    return nullptr;
  }
  void* memory = std::malloc(sizeof(Handle));
  if (memory == nullptr) {
    errno = ENOMEM;
    return nullptr;
  }
  errno = 0;
  Handle* card = new (memory) Handle(path);
  const int error = errno;  // fopen's, when the file could not be created
  if (card->card.ok()) return reinterpret_cast<kwv_card*>(card);
  card->~Handle();
  std::free(memory);
  errno = error != 0 ? error : ENAMETOOLONG;  // kwv::Card opens no path of 4096 bytes or more
  return nullptr;
}

bool kwv_card_close(kwv_card* c) {
  Handle* card = handle(c);
  if (card == nullptr) return false;
  const bool closed = card->card.close();
  card->~Handle();
  std::free(card);
  return closed;
}

const char* kwv_card_refusal(const kwv_card* c) {
  return c == nullptr ? kNoCard : handle(c)->refusal;
}

std::size_t kwv_card_replaced(const kwv_card* c) {
  const Handle* card = handle(c);
  return card == nullptr || card->refusal != nullptr ? 0 : card->card.replaced();
}

bool kwv_card_charset(kwv_card* c, const char* name) {
  return setting(handle(c), name, &kwv::Card::charset, kCharset);
}

bool kwv_card_language(kwv_card* c, const char* tag) {
  return setting(handle(c), tag, &kwv::Card::language, kLanguage);
}

bool kwv_card_encoding(kwv_card* c, int encoding) {
  Handle* card = handle(c);
  if (card == nullptr) return false;
  const bool qp = encoding == KWV_ENCODING_QUOTED_PRINTABLE;
  const bool done =
      (qp || encoding == KWV_ENCODING_8BIT) &&
      card->card.encoding(qp ? kwv::Encoding::QuotedPrintable : kwv::Encoding::EightBit);
  if (done) card->quoted_printable = qp;
  return finish(card, done, [] { return kEncoding; });
}

#define KWV_TEXT_LINE(operation)                                              \
  bool kwv_card_##operation(kwv_card* c, const char* text, std::size_t len) { \
    return text_line(handle(c), text, len, &kwv::Card::operation);            \
  }
KWV_TEXT_LINE(title)
KWV_TEXT_LINE(note)
KWV_TEXT_LINE(url)
KWV_TEXT_LINE(role)
KWV_TEXT_LINE(im)
KWV_TEXT_LINE(department)
KWV_TEXT_LINE(anniversary)
KWV_TEXT_LINE(spouse)
KWV_TEXT_LINE(children)
KWV_TEXT_LINE(nickname)
KWV_TEXT_LINE(manager)
KWV_TEXT_LINE(assistant)
KWV_TEXT_LINE(email)
KWV_TEXT_LINE(photo_url)
KWV_TEXT_LINE(sound_url)
#undef KWV_TEXT_LINE

bool kwv_card_birthday(kwv_card* c, int year, int month, int day) {
  Handle* card = handle(c);
  if (card == nullptr) return false;
  return finish(card, card->card.birthday(year, month, day), [] { return kDate; });
}

bool kwv_card_name(kwv_card* c, const kwv_text* parts, std::size_t n) {
  Handle* card = handle(c);
  return components<5>(card, parts, n, [&](std::initializer_list<std::string_view> list) {
    return card->card.name(list);
  });
}

bool kwv_card_org(kwv_card* c, const kwv_text* parts, std::size_t n) {
  Handle* card = handle(c);
  return components<3>(card, parts, n, [&](std::initializer_list<std::string_view> list) {
    return card->card.org(list);
  });
}

bool kwv_card_address(kwv_card* c, const kwv_address* address, unsigned types) {
  Handle* card = handle(c);
  if (card == nullptr) return false;
  if (address == nullptr) return refuse(card, kNoText);
  kwv::Types<kwv::Adr> set;
  if (!types_of(types, kwv::kAdrNames, set)) return refuse(card, kTypes);
  const std::string_view all[] = {view(address->po_box.data, address->po_box.len),
                                  view(address->extended.data, address->extended.len),
                                  view(address->street.data, address->street.len),
                                  view(address->city.data, address->city.len),
                                  view(address->region.data, address->region.len),
                                  view(address->postal_code.data, address->postal_code.len),
                                  view(address->country.data, address->country.len)};
  const kwv::Address a{all[0], all[1], all[2], all[3], all[4], all[5], all[6]};
  return finish(card, card->card.address(a, set), [&] { return why_value(card, all, 7, true); });
}

bool kwv_card_tel(kwv_card* c, const char* number, std::size_t len, unsigned types) {
  Handle* card = handle(c);
  if (card == nullptr) return false;
  kwv::Types<kwv::Tel> set;
  if (!types_of(types, kwv::kTelNames, set)) return refuse(card, kTypes);
  const std::string_view v = view(number, len);
  const bool done = card->card.tel(v, set);
  return finish(card, done, [&] { return why_value(card, &v, 1, false, true); });
}

bool kwv_card_photo(kwv_card* c, const char* path, const char* type) {
  return media(handle(c), path, type, false);
}

bool kwv_card_sound(kwv_card* c, const char* path, const char* type) {
  return media(handle(c), path, type, true);
}

}  // extern "C"
