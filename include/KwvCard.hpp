/// \file
/// kwv::Card: a safe C++17 interface over KwvCard, header-only.
///
///     #include <KwvCard.hpp>
///     kwv::Card card("contact.vcf");
///     card.name({"Doe", "Jane"});
///     card.tel("+1-555-0100", {kwv::Tel::Cell, kwv::Tel::Pref});
///     card.close();
///
/// Every value is a std::string_view (a literal, a std::string, a slice), and
/// nothing the caller passes is changed. Every operation returns whether its
/// line was written whole: a value the line cannot hold is refused before
/// anything reaches the file, so the card never holds a cut or broken
/// property. What is refused, for every text operation:
/// - a value holding CR, LF or NUL (a line break would end the property early,
///   a NUL would cut the value);
/// - a line longer than the operation's capacity (the same capacities as
///   KwvCard.h: TITLE 800 bytes, NOTE 1600, ...), or whose GB2312 conversion
///   does not fit it;
/// - any operation once close() has been called, or when the file could not
///   be created.
/// Types are per call: tel() and address() write exactly the types they are
/// given, so nothing carries over to the next number or address.
///
/// The lines are written by the KwvCard operations themselves, so a card
/// written through this layer is byte for byte the card the same raw calls
/// write. Text operations allocate nothing: each value is copied into a stack
/// buffer of its line's capacity. The layer adds no symbol to the library.
///
/// A Card is used by one thread at a time; separate cards are independent.
/// The one abnormal end left is the library's: when the memory for an
/// attachment cannot be allocated, the process exits with status 2.
#ifndef KWVCARD_HPP
#define KWVCARD_HPP

#include <sys/stat.h>
#include <unistd.h>

#include <cstddef>
#include <cstring>
#include <initializer_list>
#include <string_view>

#include "KwvCard.h"

/// The C++ interface over KwvCard.
namespace kwv {

/// Telephone types, written in this order: TEL;PREF;VOICE;...;HOME.
enum class Tel {
  Pref,
  Voice,
  Fax,
  Msg,
  Cell,
  Pager,
  Bbs,
  Modem,
  Car,
  Isdn,
  Video,
  Voip,
  Work,
  Home
};

/// Address types, written in this order: ADR;...;DOM;INTL;...;WORK.
enum class Adr { Dom, Intl, Postal, Parcel, Home, Work };

/// The name a TEL line writes for each telephone type, in the order of Tel:
/// `kTelNames[int(Tel::Cell)]` is "CELL".
inline constexpr const char* kTelNames[] = {"PREF",  "VOICE", "FAX",   "MSG", "CELL",
                                            "PAGER", "BBS",   "MODEM", "CAR", "ISDN",
                                            "VIDEO", "VOIP",  "WORK",  "HOME"};
/// The name an ADR line writes for each address type, in the order of Adr.
inline constexpr const char* kAdrNames[] = {"DOM", "INTL", "POSTAL", "PARCEL", "HOME", "WORK"};

/// A set of telephone or address types, from a braced list (`{Tel::Cell,
/// Tel::Pref}`, `{}` for none) or built up with add().
template <typename Type>
class Types {
 public:
  /// No types.
  constexpr Types() = default;
  /// The types listed.
  constexpr Types(std::initializer_list<Type> types) {
    for (Type t : types) add(t);
  }
  /// Adds `type` (a value outside the enumeration is ignored); returns the set.
  constexpr Types& add(Type type) {
    const auto i = static_cast<unsigned>(type);
    if (i < 32) bits_ |= 1u << i;
    return *this;
  }
  /// Whether `type` is in the set.
  constexpr bool has(Type type) const {
    const auto i = static_cast<unsigned>(type);
    return i < 32 && ((bits_ >> i) & 1u) != 0;
  }
  /// Whether both sets hold the same types.
  constexpr bool operator==(const Types& other) const { return bits_ == other.bits_; }

 private:
  unsigned bits_ = 0;
};

/// The seven components of an address, in the order ADR writes them. Empty
/// components are written empty.
struct Address {
  std::string_view po_box;       ///< Post office box.
  std::string_view extended;     ///< Extended address (suite, apartment).
  std::string_view street;       ///< Street address.
  std::string_view city;         ///< Locality.
  std::string_view region;       ///< Region, state or province.
  std::string_view postal_code;  ///< Postal code.
  std::string_view country;      ///< Country.
};

/// One vCard 2.1 file while it is being written, over a KwvCard. Not copyable
/// or movable (construct it where it is used). Destroying an open card
/// closes it.
class Card {
 public:
  /// Creates (or truncates) the file at `path` and writes the card header,
  /// as KwvCard does. A `path` holding a NUL byte, or of 4096 bytes or more,
  /// creates nothing.
  explicit Card(std::string_view path) : card_(accept(path)) {}

  /// Closes the card when it is still open.
  ~Card() { close(); }

  Card(const Card&) = delete;
  Card& operator=(const Card&) = delete;

  /// Whether the file was created. After an operation has written a line
  /// this is known; before, the file at the path is examined (it exists, is
  /// no directory and is writable). Stays as it was after close().
  bool ok() const {
    if (state_ == State::Unknown) {
      struct stat st;
      const bool there = path_[0] != '\0' && ::stat(path_, &st) == 0 && !S_ISDIR(st.st_mode) &&
                         ::access(path_, W_OK) == 0;
      state_ = there ? State::Open : State::Unopened;
    }
    return state_ != State::Unopened;
  }

  /// Writes END:VCARD and closes the file. Returns false when the card was
  /// not open (never created, or already closed). A failure of the final
  /// write to the file itself is reported by KwvCard alone, with its message
  /// "Cannot close the file" on standard output.
  bool close() {
    if (closed_) return false;
    closed_ = true;
    const bool open = ok();
    card_.QEL_EndPacking();
    return open;
  }

  // ---- Settings ------------------------------------------------------------

  /// The charset of the lines composed afterwards (default "UTF-8"): marked as
  /// `;CHARSET=<charset>` unless it is exactly "ASCII"; a charset beginning with
  /// "GB2312" (any case) converts each line to GB2312. Refused (false, the
  /// setting unchanged) when longer than 39 bytes or holding a byte below
  /// 0x21, ';' or ':' (it would break every line it marks).
  bool charset(std::string_view name) { return setting(name, &KwvCard::QEL_ChangeCharSet); }

  /// The language of the lines composed afterwards (default "en-US"): marked
  /// as `;LANGUAGE=<lang>` unless it is exactly "en-US". Refused as charset().
  bool language(std::string_view tag) { return setting(tag, &KwvCard::QEL_ChangeLang); }

  // ---- Text properties -------------------------------------------------------
  // Each writes `NAME;<charset/language parameters>:<value>` CR LF.

  /// TITLE line, capacity 800.
  bool title(std::string_view v) { return text<800>(v, &KwvCard::QEL_AddTitle); }
  /// NOTE line, capacity 1600.
  bool note(std::string_view v) { return text<1600>(v, &KwvCard::QEL_AddComment); }
  /// URL line, capacity 800.
  bool url(std::string_view v) { return text<800>(v, &KwvCard::QEL_AddURL); }
  /// ROLE line, capacity 500.
  bool role(std::string_view v) { return text<500>(v, &KwvCard::QEL_AddBusCat); }
  /// IM line, capacity 500.
  bool im(std::string_view v) { return text<500>(v, &KwvCard::QEL_AddIM); }
  /// DEPARTMENT line, capacity 800.
  bool department(std::string_view v) { return text<800>(v, &KwvCard::QEL_AddDepartment); }
  /// X-ZEB-ANNIVERSARY line, the date as the caller writes it, capacity 800.
  bool anniversary(std::string_view v) { return text<800>(v, &KwvCard::QEL_AddAnniversary); }
  /// X-ZEB-SPOUSE line, capacity 800.
  bool spouse(std::string_view v) { return text<800>(v, &KwvCard::QEL_AddSpouse); }
  /// X-ZEB-CHILD line, capacity 800.
  bool children(std::string_view v) { return text<800>(v, &KwvCard::QEL_AddChildren); }
  /// X-ZEB-NICKNAME line, capacity 800.
  bool nickname(std::string_view v) { return text<800>(v, &KwvCard::QEL_AddNickname); }
  /// X-ZEB-MANAGER line, capacity 800.
  bool manager(std::string_view v) { return text<800>(v, &KwvCard::QEL_AddManager); }
  /// X-ZEB-ASSISTANT line, capacity 800.
  bool assistant(std::string_view v) { return text<800>(v, &KwvCard::QEL_AddAssistant); }

  /// `EMAIL;<charset/language parameters>;INTERNET:<address>` CR LF, capacity 800.
  bool email(std::string_view address) {
    char line[800];
    return copy(address, line) && written(card_.QEL_AddEmail(line));
  }

  /// `BDAY:<YYYY>-<MM>-<DD>` CR LF. Refused unless the year is 0 to 9999, the
  /// month 1 to 12 and the day 1 to 31.
  bool birthday(int year, int month, int day) {
    if (year < 0 || year > 9999 || month < 1 || month > 12 || day < 1 || day > 31 || closed_ ||
        !ok())
      return false;
    card_.QEL_AddBday(day, month, year);
    return true;
  }

  // ---- Structured properties -------------------------------------------------
  // Components are joined with ';', and a ';' inside a component is written
  // as "\;". A component other than the last that ends in a backslash is
  // refused: that backslash would escape the separator after it.

  /// `N;<parameters>:<family>;<given>;<middle>;<prefix>;<suffix>` CR LF with as
  /// many components as given (an empty list writes one empty component).
  /// More than 5 are refused. Capacity 200.
  bool name(std::initializer_list<std::string_view> parts) {
    return structured<200, 5>(parts.begin(), parts.size(), &KwvCard::QEL_AddName);
  }

  /// `ORG;<parameters>:<name>;<unit>;<unit>` CR LF, at most 3 components.
  /// Capacity 800.
  bool org(std::initializer_list<std::string_view> parts) {
    return structured<800, 3>(parts.begin(), parts.size(), &KwvCard::QEL_AddOrg);
  }

  /// `ADR;<parameters><types>:<po_box>;...;<country>` CR LF, all seven
  /// components, with exactly the address types in `types` (none for an empty
  /// list). A component of more than 285 bytes once escaped is refused (the
  /// line would hold it cut).
  bool address(const Address& a, Types<Adr> types = {}) {
    const std::string_view all[] = {a.po_box, a.extended,    a.street, a.city,
                                    a.region, a.postal_code, a.country};
    if (!ok() || closed_) return false;
    set_types(types, adr_now_, kAdrNames, &KwvCard::QEL_ResetAddressType,
              &KwvCard::QEL_SetAddressType);
    return structured<7 * (kAdrComponent + 1), 7>(all, 7, &KwvCard::QEL_AddAddress);
  }

  /// `TEL<types>:<number>` CR LF with exactly the telephone types in `types`
  /// (none for an empty list). No charset parameters; converted under a
  /// GB2312 charset. Capacity 100, types included.
  bool tel(std::string_view number, Types<Tel> types = {}) {
    char line[100];
    if (!copy(number, line)) return false;
    set_types(types, tel_now_, kTelNames, &KwvCard::QEL_ResetTelType, &KwvCard::QEL_SetTelType);
    return written(card_.QEL_AddTel(line));
  }

  // ---- Media ----------------------------------------------------------------

  /// The image file at `path` inline:
  /// `PHOTO;ENCODING=BASE64;TYPE=<TYPE>:` and its base64 body, folded (see
  /// KwvCard::QEL_Base64Encode). The type comes from the extension, in any
  /// case: .jpg and .jpeg JPEG, .png PNG, .gif GIF, .bmp BMP; another
  /// extension is refused. Refused too: a path that is not a regular file (a
  /// directory, a FIFO, a device) and a file larger than 1610612733 bytes,
  /// the most the library can encode. The whole file and its encoding are
  /// held in memory while it is written.
  bool photo(std::string_view path) { return media(path, type_of(path, kImages), false); }
  /// As photo(path), with the type given (upper-cased in a copy): 1 to 371
  /// bytes of letters, digits and "-+./_".
  bool photo(std::string_view path, std::string_view type) { return media(path, type, false); }
  /// As photo(), for `SOUND;ENCODING=BASE64;TYPE=<TYPE>:`. The type comes from
  /// the extension: .wav WAVE, .aif and .aiff AIFF, .pcm PCM, .mp3 MP3.
  bool sound(std::string_view path) { return media(path, type_of(path, kSounds), true); }
  /// As sound(path), with the type given.
  bool sound(std::string_view path, std::string_view type) { return media(path, type, true); }

  /// `PHOTO;VALUE=URL;<parameters>:<url>` CR LF. Capacity 800, counted from
  /// "URL" on, as KwvCard::QEL_AddRefPhoto writes it.
  bool photo_url(std::string_view url) { return reference(url, &KwvCard::QEL_AddRefPhoto); }
  /// `SOUND;VALUE=URL;<parameters>:<url>` CR LF, as photo_url().
  bool sound_url(std::string_view url) { return reference(url, &KwvCard::QEL_AddRefSound); }

 private:
  enum class State { Unknown, Open, Unopened };

  static constexpr std::size_t kPathBytes = 4096;  // PATH_MAX, terminator included
  static constexpr std::size_t kSettingBytes = 39;
  static constexpr std::size_t kAdrComponent = 285;
  static constexpr std::size_t kTypeBytes = 371;
  static constexpr long long kMediaBytes = 1610612733;

  struct Extension {
    const char* dot;
    const char* type;
  };
  static constexpr Extension kImages[] = {{".jpg", "JPEG"}, {".jpeg", "JPEG"}, {".png", "PNG"},
                                          {".gif", "GIF"},  {".bmp", "BMP"},   {}};
  static constexpr Extension kSounds[] = {{".wav", "WAVE"}, {".aif", "AIFF"}, {".aiff", "AIFF"},
                                          {".pcm", "PCM"},  {".mp3", "MP3"},  {}};

  // Copies `value` into `out` (N bytes) with its terminator; false when it
  // does not fit or holds CR, LF or NUL.
  template <std::size_t N>
  static bool copy(std::string_view value, char (&out)[N]) {
    if (value.size() >= N || !whole(value)) return false;
    if (!value.empty()) std::memcpy(out, value.data(), value.size());
    out[value.size()] = '\0';
    return true;
  }

  // Whether `value` holds no CR or LF (which would end the property early)
  // and no NUL (which would cut the value). One pass without early exit, so
  // that the compiler can do it many bytes at a time.
  static bool whole(std::string_view value) {
    unsigned bad = 0;
    for (const char c : value) bad |= static_cast<unsigned>(c == '\r' || c == '\n' || c == '\0');
    return bad == 0;
  }

  // The path the card is created on, or null (an Unopened card).
  char* accept(std::string_view path) {
    if (copy(path, path_)) return path_;
    path_[0] = '\0';
    return nullptr;
  }

  // The result of a raw operation: the line was written when the stream took
  // bytes, which also tells that the file was created.
  bool written(int bytes) {
    if (bytes > 0) state_ = State::Open;
    return bytes > 0;
  }

  template <typename Change>
  bool setting(std::string_view value, Change change) {
    char text[kSettingBytes + 1];
    for (char c : value) {
      if (static_cast<unsigned char>(c) < 0x21 || c == ';' || c == ':') return false;
    }
    if (!copy(value, text)) return false;
    (card_.*change)(text);
    return true;
  }

  template <std::size_t Capacity, typename Add>
  bool text(std::string_view value, Add add) {
    char line[Capacity];
    return copy(value, line) && written((card_.*add)(line));
  }

  // Joins `n` components, each escaped and NUL-terminated, into one buffer and
  // hands them to `add` with the count as text.
  template <std::size_t Capacity, std::size_t Most, typename Add>
  bool structured(const std::string_view* parts, std::size_t n, Add add) {
    if (n > Most) return false;
    char buffer[Capacity];
    char* starts[Most] = {};
    std::size_t used = 0;
    for (std::size_t i = 0; i < n; ++i) {
      const std::string_view part = parts[i];
      if (i + 1 < n && !part.empty() && part.back() == '\\') return false;
      std::size_t semicolons = 0;
      for (const char c : part) semicolons += c == ';';
      const std::size_t size = part.size() + semicolons;  // each ";" written as "\;"
      if (used + size >= Capacity || !whole(part)) return false;
      if (Most == 7 && size > kAdrComponent) return false;
      starts[i] = buffer + used;
      if (semicolons == 0) {
        if (size != 0) std::memcpy(buffer + used, part.data(), size);
        used += size;
      } else {
        for (const char c : part) {
          if (c == ';') buffer[used++] = '\\';
          buffer[used++] = c;
        }
      }
      buffer[used++] = '\0';
    }
    char empty[] = "";
    for (std::size_t i = n; i < Most; ++i) starts[i] = empty;
    char count[] = {static_cast<char>('0' + (n == 0 ? 1 : n)), '\0'};
    if (n == 0) starts[0] = empty;
    if constexpr (Most == 5) {
      return written((card_.*add)(count, starts[0], starts[1], starts[2], starts[3], starts[4]));
    } else if constexpr (Most == 3) {
      return written((card_.*add)(count, starts[0], starts[1], starts[2]));
    } else {
      return written((card_.*add)(count, starts[0], starts[1], starts[2], starts[3], starts[4],
                                  starts[5], starts[6]));
    }
  }

  // Makes the set exactly `types`: back to WORK alone, WORK off, then each on.
  // Makes the card's set exactly `types`, turning on or off only the flags
  // that differ from `now`, the set as the card holds it.
  template <typename Type, std::size_t N, typename Off, typename On>
  void set_types(Types<Type> types, Types<Type>& now, const char* const (&names)[N], Off off,
                 On on) {
    if (types == now) return;
    for (std::size_t i = 0; i < N; ++i) {
      const auto t = static_cast<Type>(i);
      if (types.has(t) == now.has(t)) continue;
      char name[8];
      std::memcpy(name, names[i], std::strlen(names[i]) + 1);
      (card_.*(types.has(t) ? on : off))(name);
    }
    now = types;
  }

  static std::string_view type_of(std::string_view path, const Extension* table) {
    const std::size_t dot = path.rfind('.');
    const std::size_t slash = path.rfind('/');
    if (dot == path.npos || (slash != path.npos && slash > dot)) return {};
    const std::string_view ext = path.substr(dot);
    for (; table->dot != nullptr; ++table) {
      const std::string_view want(table->dot);
      bool same = want.size() == ext.size();
      for (std::size_t i = 0; same && i < ext.size(); ++i) {
        char c = ext[i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        same = c == want[i];
      }
      if (same) return table->type;
    }
    return {};
  }

  bool media(std::string_view path, std::string_view type, bool sound) {
    char type_text[kTypeBytes + 1];
    if (type.empty() || !copy(type, type_text)) return false;
    for (char c : type) {
      const bool fine = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
                        (c >= '0' && c <= '9') || c == '-' || c == '+' || c == '.' || c == '/' ||
                        c == '_';
      if (!fine) return false;
    }
    if (closed_ || !ok()) return false;
    char file[kPathBytes];  // the file system needs a terminator
    struct stat st;
    if (!copy(path, file) || ::stat(file, &st) != 0 || !S_ISREG(st.st_mode) ||
        st.st_size > kMediaBytes)
      return false;
    const int done =
        sound ? card_.QEL_AttachSound(file, type_text) : card_.QEL_AttachPhoto(file, type_text);
    return done == 1;
  }

  // PHOTO;VALUE= and SOUND;VALUE= report nothing: the URL line's length is
  // worked out here as the card composes it, and a URL that would not fit is
  // refused before the call.
  bool reference(std::string_view url, void (KwvCard::*add)(char*)) {
    char line[800];
    if (!copy(url, line) || closed_ || !ok()) return false;
    const std::size_t cs = std::strlen(card_.QEL_GetCharSet());
    const std::size_t lang = std::strlen(card_.QEL_GetLang());
    std::size_t length = 3 + 1 + url.size() + 2;  // URL, ':', the url, CR LF
    if (std::strcmp(card_.QEL_GetCharSet(), "ASCII") != 0) length += 9 + cs;
    if (std::strcmp(card_.QEL_GetLang(), "en-US") != 0) length += 10 + lang;
    if (length >= sizeof line) return false;
    (card_.*add)(line);
    return true;
  }

  char path_[kPathBytes];  // empty when the path was refused
  KwvCard card_;
  mutable State state_ = State::Unknown;
  bool closed_ = false;
  Types<Tel> tel_now_{Tel::Work};  // a new card's sets: WORK alone
  Types<Adr> adr_now_{Adr::Work};
};

}  // namespace kwv

#endif
