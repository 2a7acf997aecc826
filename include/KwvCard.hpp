/// \file
/// kwv::Card: a safe C++17 interface over KwvCard, header-only.
///
///     #include <KwvCard.hpp>
///     kwv::Card card("contact.vcf");
///     card.encoding(kwv::Encoding::QuotedPrintable);
///     card.name({"Doe", "Jane"});
///     card.tel("+1-555-0100", {kwv::Tel::Cell, kwv::Tel::Pref});
///     card.note("first line\nsecond line");
///     card.close();
///
/// Every value is a std::string_view (a literal, a std::string, a slice) of
/// UTF-8 text, and nothing the caller passes is changed. Every operation
/// returns whether its line was written whole: a value the line cannot hold is
/// refused before anything reaches the file, so the card never holds a cut or
/// broken property. What is refused, for every text operation:
/// - a value holding NUL (it would cut the value), and under
///   Encoding::EightBit (the default) a value holding CR or LF (a line break
///   would end the property early);
/// - a line longer than the operation's capacity once converted and encoded
///   (the same capacities as KwvCard.h: TITLE 800 bytes, NOTE 1600, ...; a
///   quoted-printable byte takes three), or whose GB2312 conversion does not
///   fit it;
/// - any operation once close() has been called, or when the file could not
///   be created.
/// Types are per call: tel() and address() write exactly the types they are
/// given, so nothing carries over to the next number or address.
///
/// Charsets. charset() names the charset of the lines composed afterwards, and
/// the bytes of every value are in that charset: "UTF-8" (the default) writes
/// the text as given; a name beginning with "GB2312" converts each line with
/// the library's own GB2312 table; "ASCII" (exactly: no CHARSET parameter) takes
/// printable ASCII; any other name iconv can convert UTF-8 to (SHIFT_JIS,
/// EUC-JP, BIG5, GBK, GB18030, EUC-KR, ISO-8859-1 to -16, WINDOWS-1250 to
/// -1258, KOI8-R, KOI8-U, ...) converts each value with iconv before the
/// library writes it. A character the charset cannot hold is written as '?',
/// and replaced() tells how many the last operation wrote so.
///
/// Encodings. Under Encoding::QuotedPrintable, a text value that holds a byte
/// outside printable ASCII (0x20 to 0x7E) once converted, or a line break, is
/// written QUOTED-PRINTABLE as vCard 2.1 devices read it:
///
///     NOTE;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:=E4=B8=80=0D=0A=E4=BA=8C
///
/// - each byte of a character outside ASCII, '=', each control character, and
///   a space before a line break or at the end of the value is "=XX" (upper-case
///   hex); every byte of a multi-byte character is, so a Shift_JIS or Big5
///   character whose second byte is 0x5C ('\\') never reads as an escape;
/// - each line break (CR LF, LF or CR) is "=0D=0A";
/// - a soft line break, '=' CR LF with nothing after it, keeps each physical
///   line at 76 characters of the value at most (the first counted from the
///   ':'), never inside an "=XX"; a space that would begin the next line is
///   "=20" (readers unfold a line that begins with a space before decoding);
/// - in N, ORG and ADR the components stay separated by a literal ';' and a
///   ';' inside a component is "\\;" (readers split after decoding).
/// A value of printable ASCII only is written as under EightBit, without
/// ENCODING. The ENCODING parameter comes right after the charset, before the
/// language and the types (`ADR;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE;HOME:`):
/// the library writes its charset field verbatim after ";CHARSET=", so for
/// that one line the layer names the charset "<charset>;ENCODING=QUOTED-PRINTABLE"
/// and restores it afterwards; the line is still written by the library's own
/// operation. That field holds 39 bytes, so under QuotedPrintable the
/// charset's name has at most 13. Under "ASCII" such a line carries
/// ";CHARSET=ASCII;ENCODING=QUOTED-PRINTABLE". TEL lines carry no parameters:
/// a number is written in the charset as it is, never encoded, and a line break
/// in it is refused.
///
/// Under EightBit, a card in UTF-8 or GB2312 (and in ASCII, of ASCII values) is
/// byte for byte the card the same raw calls write. In Shift_JIS or Big5 some
/// characters end in the byte 0x5C, which a reader takes for a backslash: a
/// component of N, ORG or ADR ending in such a character reads as escaping the
/// separator after it. Only QuotedPrintable avoids this.
///
/// Text operations allocate nothing: each value is converted and encoded in
/// stack buffers of its line's capacity; the iconv conversion is opened once,
/// by charset(). The layer adds no symbol to the library; it calls the
/// platform's qelstr_utf8_to_gb (libqelstr) itself for quoted-printable GB2312
/// and to count what GB2312 lacks.
///
/// A Card is used by one thread at a time; separate cards are independent.
/// The one abnormal end left is the library's: when the memory for an
/// attachment cannot be allocated, the process exits with status 2.
#ifndef KWVCARD_HPP
#define KWVCARD_HPP

#include <iconv.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <string_view>
#include <type_traits>

#include "KwvCard.h"

/// The platform's UTF-8 to GB2312 converter (qelstr.h, libqelstr), with which
/// the library converts its GB2312 lines and this layer its quoted-printable
/// GB2312 values.
extern "C" int qelstr_utf8_to_gb(char* dest, const char* src);

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

/// How text values are written: as they are (8-bit, the default), or
/// QUOTED-PRINTABLE when they are not printable ASCII.
enum class Encoding { EightBit, QuotedPrintable };

/// Address types, written in this order: ADR;...;DOM;INTL;...;WORK.
enum class Adr { Dom, Intl, Postal, Parcel, Home, Work };

/// The name a TEL line writes for each telephone type, in the order of Tel:
/// `kTelNames[int(Tel::Cell)]` is "CELL".
inline constexpr const char* kTelNames[] = {"PREF",  "VOICE", "FAX",   "MSG", "CELL",
                                            "PAGER", "BBS",   "MODEM", "CAR", "ISDN",
                                            "VIDEO", "VOIP",  "WORK",  "HOME"};
/// The name an ADR line writes for each address type, in the order of Adr.
inline constexpr const char* kAdrNames[] = {"DOM", "INTL", "POSTAL", "PARCEL", "HOME", "WORK"};

class Card;

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
  friend class Card;
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
  ~Card() {
    close();
    if (iconv_ != kNoIconv) iconv_close(iconv_);
  }

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

  /// The charset of the lines composed afterwards (default "UTF-8"), marked as
  /// `;CHARSET=<charset>` unless it is exactly "ASCII". The bytes of every value
  /// are in it (see the file's comment): UTF-8 ("UTF-8" or "UTF8", any case) as
  /// given; a name beginning with "GB2312" (any case) through the library's
  /// GB2312 conversion; "ASCII" printable ASCII, each other character '?';
  /// any other name through iconv, opened here once. Refused (false, the
  /// setting unchanged): an empty name, a name longer than 39 bytes or holding a byte below
  /// 0x21, ';' or ':' (it would break every line it marks); a name iconv cannot
  /// convert UTF-8 to; a charset that does not write ASCII as ASCII (UTF-16,
  /// UTF-7, ...: it would break the lines); under QuotedPrintable, a name
  /// longer than 13 bytes.
  bool charset(std::string_view name) {
    char text[kSettingBytes + 1];
    if (!setting_text(name, text)) return false;
    Kind kind = Kind::Iconv;
    iconv_t cd = kNoIconv;
    if (same_nocase(prefix(name, 6), "GB2312")) {
      kind = Kind::Gb2312;
    } else if (name == "ASCII") {
      kind = Kind::Ascii;
    } else if (same_nocase(name, "UTF-8") || same_nocase(name, "UTF8")) {
      kind = Kind::Utf8;
    } else if ((cd = iconv_open(text, "UTF-8")) == kNoIconv) {
      return false;
    } else if (!keeps_ascii(cd)) {
      iconv_close(cd);
      return false;
    }
    if (encoding_ == Encoding::QuotedPrintable && name.size() > kQpCharsetBytes) {
      if (cd != kNoIconv) iconv_close(cd);
      return false;
    }
    if (iconv_ != kNoIconv) iconv_close(iconv_);
    iconv_ = cd;
    kind_ = kind;
    card_.QEL_ChangeCharSet(text);
    if (name.size() <= kQpCharsetBytes) {  // else encoding() refuses quoted-printable
      std::memcpy(qp_charset_, text, name.size());
      std::memcpy(qp_charset_ + name.size(), kQpParameter, sizeof kQpParameter);
    }
    return true;
  }

  /// The language of the lines composed afterwards (default "en-US"): marked
  /// as `;LANGUAGE=<lang>` unless it is exactly "en-US". Refused (false, the
  /// setting unchanged) when empty, longer than 39 bytes or holding a byte below
  /// 0x21, ';' or ':'.
  bool language(std::string_view tag) {
    char text[kSettingBytes + 1];
    if (!setting_text(tag, text)) return false;
    card_.QEL_ChangeLang(text);
    return true;
  }

  /// How the text values composed afterwards are written (default EightBit;
  /// see the file's comment). Refused (false, unchanged) for a value outside
  /// the enumeration, and QuotedPrintable while the charset's name is longer
  /// than 13 bytes.
  bool encoding(Encoding e) {
    if (e != Encoding::EightBit && e != Encoding::QuotedPrintable) return false;
    if (e == Encoding::QuotedPrintable && std::strlen(card_.QEL_GetCharSet()) > kQpCharsetBytes)
      return false;
    encoding_ = e;
    return true;
  }

  /// How many characters the last operation wrote as '?' because the card's
  /// charset cannot hold them (each ill-formed UTF-8 sequence counts as one);
  /// 0 when it wrote its value whole, and after a refused operation. Under
  /// "ASCII" every character outside ASCII counts.
  std::size_t replaced() const { return replaced_; }

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
    return text<800>(address, [](KwvCard& c, char* v) { return c.QEL_AddEmail(v); });
  }

  /// `BDAY:<YYYY>-<MM>-<DD>` CR LF. Refused unless the year is 0 to 9999, the
  /// month 1 to 12 and the day 1 to 31.
  bool birthday(int year, int month, int day) {
    replaced_ = 0;
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
  /// list). A component of more than 285 bytes once escaped (and encoded) is
  /// refused (the line would hold it cut).
  bool address(const Address& a, Types<Adr> types = {}) {
    const std::string_view all[] = {a.po_box, a.extended,    a.street, a.city,
                                    a.region, a.postal_code, a.country};
    replaced_ = 0;
    if (!ok() || closed_) return false;
    set_types(types, adr_now_, kAdrNames, &KwvCard::QEL_ResetAddressType,
              &KwvCard::QEL_SetAddressType);
    return structured<7 * (kAdrComponent + 1), 7>(all, 7, &KwvCard::QEL_AddAddress);
  }

  /// `TEL<types>:<number>` CR LF with exactly the telephone types in `types`
  /// (none for an empty list). No charset parameters and never encoded: the
  /// number is written in the card's charset as it is, and a line break is
  /// refused under either encoding. Capacity 100, types included.
  bool tel(std::string_view number, Types<Tel> types = {}) {
    char value[100];
    std::size_t room = sizeof value;
    bool qp = false;
    if (!prepare(&number, 1, false, false, value, room, qp)) return false;
    set_types(types, tel_now_, kTelNames, &KwvCard::QEL_ResetTelType, &KwvCard::QEL_SetTelType);
    return written(card_.QEL_AddTel(value));
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

  /// `PHOTO;VALUE=URL;<parameters>:<url>` CR LF, converted and encoded as a
  /// text value. Capacity 800, counted from "URL" on, as
  /// KwvCard::QEL_AddRefPhoto writes it.
  bool photo_url(std::string_view url) { return reference(url, &KwvCard::QEL_AddRefPhoto); }
  /// `SOUND;VALUE=URL;<parameters>:<url>` CR LF, as photo_url().
  bool sound_url(std::string_view url) { return reference(url, &KwvCard::QEL_AddRefSound); }

 private:
  enum class State { Unknown, Open, Unopened };
  // How values reach the card's charset: as they are, through the library's
  // GB2312 conversion, printable ASCII only, or through iconv.
  enum class Kind { Utf8, Gb2312, Ascii, Iconv };

  static constexpr std::size_t kPathBytes = 4096;  // PATH_MAX, terminator included
  static constexpr std::size_t kSettingBytes = 39;
  static constexpr std::size_t kAdrComponent = 285;
  static constexpr std::size_t kTypeBytes = 371;
  static constexpr long long kMediaBytes = 1610612733;
  static constexpr char kQpParameter[] = ";ENCODING=QUOTED-PRINTABLE";
  static constexpr std::size_t kQpCharsetBytes = kSettingBytes - (sizeof kQpParameter - 1);
  static constexpr std::size_t kQpLine = 76;  // characters of a value on one physical line
  inline static const iconv_t kNoIconv = reinterpret_cast<iconv_t>(-1);

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
    if (value.size() >= N || !whole(value, false)) return false;
    if (!value.empty()) std::memcpy(out, value.data(), value.size());
    out[value.size()] = '\0';
    return true;
  }

  // Whether `value` holds no NUL (which would cut the value) and, unless
  // `breaks` are allowed, no CR or LF (which would end the property early).
  // Text rarely holds a byte below 0x0E, so that is looked for first, eight
  // bytes at a time ((x - 0x0E..0E) & ~x & 0x80..80 is non-zero exactly when
  // a byte of x is below 0x0E), and the bytes only of a value that has one.
  static bool whole(std::string_view value, bool breaks) {
    const char* p = value.data();
    const std::size_t n = value.size();
    if (n >= 8) {
      constexpr std::uint64_t kBelow = 0x0E0E0E0E0E0E0E0Eu, kHighs = 0x8080808080808080u;
      const auto below = [&](std::size_t at) {
        std::uint64_t word;
        std::memcpy(&word, p + at, 8);
        return (word - kBelow) & ~word & kHighs;
      };
      std::uint64_t low = below(n - 8);  // the last word, which may overlap the others
      for (std::size_t at = 0; at + 8 < n; at += 8) low |= below(at);
      if (low == 0) return true;
    }
    unsigned bad = 0;
    if (breaks) {
      for (std::size_t i = 0; i < n; ++i) bad |= static_cast<unsigned>(p[i] == '\0');
    } else {
      for (std::size_t i = 0; i < n; ++i)
        bad |= static_cast<unsigned>(p[i] == '\r' || p[i] == '\n' || p[i] == '\0');
    }
    return bad == 0;
  }

  // The first `n` bytes of `v` (all of it when shorter). string_view's substr()
  // throws when out of range: even unreached, that call would make every
  // program linking the library (a C one too) load libstdc++.
  static std::string_view prefix(std::string_view v, std::size_t n) {
    return std::string_view(v.data(), v.size() < n ? v.size() : n);
  }

  static bool same_nocase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
      const auto fold = [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; };
      if (fold(a[i]) != fold(b[i])) return false;
    }
    return true;
  }

  // Whether `cd` writes CR, LF, TAB and printable ASCII as themselves: a
  // charset that does not would break the line around every value.
  static bool keeps_ascii(iconv_t cd) {
    char ascii[128 - 32 + 3] = "\r\n\t";
    for (int c = 32; c < 127; ++c) ascii[3 + c - 32] = static_cast<char>(c);
    char out[2 * sizeof ascii];
    char* in = ascii;
    char* to = out;
    std::size_t in_left = sizeof ascii - 1, out_left = sizeof out;
    const bool converted = iconv(cd, &in, &in_left, &to, &out_left) != std::size_t(-1) &&
                           iconv(cd, nullptr, nullptr, &to, &out_left) != std::size_t(-1);
    return converted && in_left == 0 && static_cast<std::size_t>(to - out) == sizeof ascii - 1 &&
           std::memcmp(out, ascii, sizeof ascii - 1) == 0;
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
    return bytes > 0 || refused();
  }

  bool setting_text(std::string_view value, char (&text)[kSettingBytes + 1]) {
    if (value.empty()) return false;  // it would write ";CHARSET=" with nothing after it
    for (char c : value) {
      if (static_cast<unsigned char>(c) < 0x21 || c == ';' || c == ':') return false;
    }
    return copy(value, text);
  }

  // The bytes of the UTF-8 character at `p` (`left` bytes there), or of the
  // longest start of one there (the maximal ill-formed subsequence, which
  // becomes one '?' as in the library's GB2312 conversion); at least one.
  static std::size_t sequence(const char* p, std::size_t left) {
    const auto lead = static_cast<unsigned char>(p[0]);
    // The bytes a lead byte announces, and the range its second byte takes.
    std::size_t want = 1;
    unsigned char low = 0x80, high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
      want = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      want = 3;
      low = lead == 0xE0 ? 0xA0 : 0x80;
      high = lead == 0xED ? 0x9F : 0xBF;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
      want = 4;
      low = lead == 0xF0 ? 0x90 : 0x80;
      high = lead == 0xF4 ? 0x8F : 0xBF;
    }
    std::size_t n = 1;
    for (; n < want && n < left; ++n) {
      const auto b = static_cast<unsigned char>(p[n]);
      if (n == 1 ? (b < low || b > high) : (b & 0xC0) != 0x80) break;
    }
    return n;
  }

  // Converts `in` to the card's charset into `out` (at most `room` bytes,
  // terminated), marking in `inside` each byte that belongs to a character
  // outside ASCII; counts the characters written as '?' in replaced_. Returns
  // the bytes written, or SIZE_MAX when they do not fit.
  std::size_t convert(std::string_view in, char* out, char* inside, std::size_t room) {
    constexpr std::size_t kNoRoom = static_cast<std::size_t>(-1);
    std::size_t o = 0;
    for (std::size_t i = 0; i < in.size();) {
      if (static_cast<unsigned char>(in[i]) < 0x80) {
        if (o + 1 >= room) return kNoRoom;
        inside[o] = 0;
        out[o++] = in[i++];
        continue;
      }
      std::size_t end = i;  // a run of characters outside ASCII
      while (end < in.size() && static_cast<unsigned char>(in[end]) >= 0x80) ++end;
      char* from = const_cast<char*>(in.data() + i);
      char* to = out + o;
      std::size_t from_left = end - i, to_left = room - 1 - o;
      // What iconv writes belongs to characters outside ASCII; a '?' does not.
      const auto mark = [&](char* from_byte) {
        std::memset(inside + (from_byte - out), 1, static_cast<std::size_t>(to - from_byte));
      };
      while (from_left > 0) {
        char* const before = to;
        const bool done = kind_ == Kind::Iconv &&
                          iconv(iconv_, &from, &from_left, &to, &to_left) != std::size_t(-1);
        mark(before);
        if (done) break;
        if (kind_ == Kind::Iconv && errno == E2BIG) return kNoRoom;
        if (to_left == 0) return kNoRoom;
        inside[to - out] = 0;
        *to++ = '?';  // a character the charset lacks, or a broken sequence
        --to_left;
        ++replaced_;
        const std::size_t skip = sequence(from, from_left);
        from += skip;
        from_left -= skip;
      }
      // Back to the initial shift state, for the ASCII after the run.
      char* const shift = to;
      if (kind_ == Kind::Iconv && iconv(iconv_, nullptr, nullptr, &to, &to_left) == std::size_t(-1))
        return kNoRoom;
      mark(shift);
      const auto done = static_cast<std::size_t>(to - out);
      o = done;
      i = end;
    }
    out[o] = '\0';
    return o;
  }

  // A value's bytes in the card's charset: `bytes` (size `size`), and for
  // each byte whether it belongs to a character outside ASCII (null: a byte
  // does when it is 0x80 or above).
  struct Converted {
    const char* bytes;
    std::size_t size;
    const char* inside;
  };

  // The bytes to write for `parts` (`n` components, each NUL-terminated in
  // turn in `out`, `room` bytes: left as the bytes used), escaped for a
  // structured property, converted and encoded; `qp` tells whether they are
  // quoted-printable. `encode`: whether this line may be encoded at all (TEL
  // may not). Sets replaced_. False when a value is refused.
  template <std::size_t N>
  bool prepare(const std::string_view* parts, std::size_t n, bool structured, bool encode,
               char (&out)[N], std::size_t& room, bool& qp) {
    replaced_ = 0;
    return prepare_value(parts, n, structured, encode, out, room, qp) || refused();
  }

  // A refused operation wrote nothing, so it replaced nothing.
  bool refused() {
    replaced_ = 0;
    return false;
  }

  template <std::size_t N>
  bool prepare_value(const std::string_view* parts, std::size_t n, bool structured, bool encode,
                     char (&out)[N], std::size_t& room, bool& qp) {
    if (closed_) return false;
    const bool may_qp = encode && encoding_ == Encoding::QuotedPrintable;
    for (std::size_t i = 0; i < n; ++i) {
      if (!whole(parts[i], may_qp)) return false;
      if (structured && i + 1 < n && !parts[i].empty() && parts[i].back() == '\\') return false;
    }
    // Converted into `work` (and `inside`), or as given.
    char work[N], inside[N], gb[N];
    Converted c[7];
    std::size_t used = 0;
    for (std::size_t i = 0; i < n; ++i) {
      const std::string_view v = parts[i];
      // UTF-8 is written as given; other charsets convert only what is not ASCII.
      bool plain = kind_ == Kind::Utf8;
      if (!plain) {
        plain = true;
        for (const char ch : v) plain &= static_cast<unsigned char>(ch) < 0x80;
      }
      if (plain) {
        c[i] = {v.data(), v.size(), nullptr};
      } else if (kind_ == Kind::Gb2312) {
        // Converted here to count what GB2312 lacks (each becomes one '?'),
        // and for quoted-printable, which encodes the GB2312 bytes.
        if (used + v.size() >= N) return false;
        std::memcpy(gb, v.data(), v.size());
        gb[v.size()] = '\0';
        const auto size = static_cast<std::size_t>(qelstr_utf8_to_gb(work + used, gb));
        for (const char ch : v) replaced_ -= ch == '?';
        for (std::size_t k = 0; k < size; ++k) replaced_ += work[used + k] == '?';
        if (!may_qp) {
          c[i] = {v.data(), v.size(), nullptr};  // the library converts the line itself
          continue;
        }
        c[i] = {work + used, size, nullptr};
        used += size + 1;
      } else {
        const std::size_t size = convert(v, work + used, inside + used, N - used);
        if (size == static_cast<std::size_t>(-1)) return false;
        c[i] = {work + used, size, inside + used};
        used += size + 1;
        if (std::memchr(c[i].bytes, '\0', size) != nullptr) return false;
      }
    }
    qp = false;
    if (may_qp) {
      for (std::size_t i = 0; i < n && !qp; ++i) {
        for (std::size_t k = 0; k < c[i].size && !qp; ++k) {
          const auto b = static_cast<unsigned char>(c[i].bytes[k]);
          qp = b < 0x20 || b > 0x7E;
        }
      }
    }
    return qp ? quoted_printable(c, n, structured, out, room)
              : as_they_are(c, n, structured, out, room);
  }

  // Each component as it is, ';' escaped as "\;" in a structured one.
  template <std::size_t N>
  static bool as_they_are(const Converted* c, std::size_t n, bool structured, char (&out)[N],
                          std::size_t& room) {
    std::size_t used = 0;
    for (std::size_t i = 0; i < n; ++i) {
      std::size_t semicolons = 0;
      if (structured && c[i].size != 0 && std::memchr(c[i].bytes, ';', c[i].size) != nullptr) {
        for (std::size_t k = 0; k < c[i].size; ++k)
          semicolons += c[i].bytes[k] == ';' && !(c[i].inside && c[i].inside[k]);
      }
      const std::size_t size = c[i].size + semicolons;
      if (used + size >= N) return false;
      if (semicolons == 0) {
        if (size != 0) std::memcpy(out + used, c[i].bytes, size);
        used += size;
      } else {
        for (std::size_t k = 0; k < c[i].size; ++k) {
          if (c[i].bytes[k] == ';' && !(c[i].inside && c[i].inside[k])) out[used++] = '\\';
          out[used++] = c[i].bytes[k];
        }
      }
      out[used++] = '\0';
    }
    room = used;
    return true;
  }

  // The components quoted-printable, soft line breaks counted over the whole
  // value (each separator the library puts between components takes one).
  template <std::size_t N>
  static bool quoted_printable(const Converted* c, std::size_t n, bool structured, char (&out)[N],
                               std::size_t& room) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::size_t used = 0, column = 0;
    // Appends `token` (`size` bytes) after a soft line break when the line
    // would be too long with it: 75 characters and '=', or 76 for the last.
    // A space that would begin a physical line is "=20": readers take a line
    // that begins with a space for a folded one and unfold it first.
    const auto put = [&](const char* token, std::size_t size, bool last) {
      if (column + size > kQpLine - 1 && !(last && column + size <= kQpLine)) {
        if (used + 3 >= N) return false;
        std::memcpy(out + used, "=\r\n", 3);
        used += 3;
        column = 0;
        if (*token == ' ') token = "=20", size = 3;
      }
      if (used + size >= N) return false;
      std::memcpy(out + used, token, size);
      used += size;
      column += size;
      return true;
    };
    for (std::size_t i = 0; i < n; ++i) {
      const Converted& v = c[i];
      for (std::size_t k = 0; k < v.size; ++k) {
        const auto b = static_cast<unsigned char>(v.bytes[k]);
        const bool last = i + 1 == n && k + 1 == v.size;
        const bool inside = v.inside ? v.inside[k] != 0 : b >= 0x80;
        bool fine;
        if (b == '\r' || b == '\n') {
          if (b == '\r' && k + 1 < v.size && v.bytes[k + 1] == '\n') ++k;
          fine = put("=0D", 3, false) && put("=0A", 3, i + 1 == n && k + 1 == v.size);
        } else if (structured && b == ';' && !inside) {
          fine = put("\\;", 2, last);
        } else if (!inside && b > 0x20 && b < 0x7F && b != '=') {
          fine = put(v.bytes + k, 1, last);
        } else if (b == ' ' && !last &&
                   (k + 1 == v.size || (v.bytes[k + 1] != '\r' && v.bytes[k + 1] != '\n'))) {
          fine = put(" ", 1, false);
        } else {
          const char hex[] = {'=', kHex[b >> 4], kHex[b & 15]};
          fine = put(hex, 3, last);
        }
        if (!fine) return false;
      }
      // The separator the library puts after a component takes one character
      // (the value's last when only an empty component follows): a soft break
      // before it ends this component.
      const bool last_separator = i + 2 == n && c[n - 1].size == 0;
      if (i + 1 < n && column + 1 > kQpLine - 1 && !(last_separator && column + 1 <= kQpLine)) {
        if (used + 3 >= N) return false;
        std::memcpy(out + used, "=\r\n", 3);
        used += 3;
        column = 0;
      }
      if (used >= N) return false;
      out[used++] = '\0';
      ++column;
    }
    room = used;
    return true;
  }

  // Calls `add` with the card's charset named for a quoted-printable line when
  // `qp`, and named back afterwards.
  template <typename Add>
  bool marked(bool qp, Add add) {
    if (!qp) return written(add());
    card_.QEL_ChangeCharSet(qp_charset_);
    const int bytes = add();
    char* const end = qp_charset_ + std::strlen(qp_charset_) - (sizeof kQpParameter - 1);
    *end = '\0';  // the charset's own name, for the lines after this one
    card_.QEL_ChangeCharSet(qp_charset_);
    *end = ';';
    return written(bytes);
  }

  template <std::size_t Capacity, typename Add>
  bool text(std::string_view value, Add add) {
    char line[Capacity];
    std::size_t room = Capacity;
    bool qp = false;
    if (!prepare(&value, 1, false, true, line, room, qp)) return false;
    return marked(qp, [&] { return call(add, line); });
  }

  template <typename Add>
  int call(Add add, char* value) {
    if constexpr (std::is_member_function_pointer_v<Add>) {
      return (card_.*add)(value);
    } else {
      return add(card_, value);
    }
  }

  // Joins `n` components, each escaped, converted, encoded and NUL-terminated,
  // into one buffer and hands them to `add` with the count as text.
  template <std::size_t Capacity, std::size_t Most, typename Add>
  bool structured(const std::string_view* parts, std::size_t n, Add add) {
    if (n > Most) return (replaced_ = 0), false;
    char buffer[Capacity];
    std::size_t room = Capacity;
    bool qp = false;
    const std::string_view none[1] = {};
    if (!prepare(n == 0 ? none : parts, n == 0 ? 1 : n, true, true, buffer, room, qp)) return false;
    char* starts[Most] = {};
    char empty[] = "";
    for (std::size_t i = 0, at = 0; i < Most; ++i) {
      if (i < (n == 0 ? 1 : n)) {
        starts[i] = buffer + at;
        const std::size_t size = std::strlen(starts[i]);
        if (Most == 7 && size > kAdrComponent) return refused();
        at += size + 1;
      } else {
        starts[i] = empty;
      }
    }
    char count[] = {static_cast<char>('0' + (n == 0 ? 1 : n)), '\0'};
    return marked(qp, [&] {
      if constexpr (Most == 5) {
        return (card_.*add)(count, starts[0], starts[1], starts[2], starts[3], starts[4]);
      } else if constexpr (Most == 3) {
        return (card_.*add)(count, starts[0], starts[1], starts[2]);
      } else {
        return (card_.*add)(count, starts[0], starts[1], starts[2], starts[3], starts[4], starts[5],
                            starts[6]);
      }
    });
  }

  // Makes the card's set exactly `types`, turning on or off only the flags
  // that differ from `now`, the set as the card holds it.
  template <typename Type, std::size_t N, typename Off, typename On>
  void set_types(Types<Type> types, Types<Type>& now, const char* const (&names)[N], Off off,
                 On on) {
    // The flags that differ, lowest first.
    for (unsigned differ = types.bits_ ^ now.bits_; differ != 0; differ &= differ - 1) {
      const auto i = static_cast<unsigned>(__builtin_ctz(differ));
      if (i >= N) break;
      char name[8];
      std::memcpy(name, names[i], std::strlen(names[i]) + 1);
      (card_.*(((types.bits_ >> i) & 1u) != 0 ? on : off))(name);
    }
    now = types;
  }

  static std::string_view type_of(std::string_view path, const Extension* table) {
    const std::size_t dot = path.rfind('.');
    const std::size_t slash = path.rfind('/');
    if (dot == path.npos || (slash != path.npos && slash > dot)) return {};
    const std::string_view ext(path.data() + dot, path.size() - dot);  // not substr(): see prefix()
    for (; table->dot != nullptr; ++table) {
      if (same_nocase(ext, table->dot)) return table->type;
    }
    return {};
  }

  bool media(std::string_view path, std::string_view type, bool sound) {
    replaced_ = 0;
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
    std::size_t used = sizeof line;
    bool qp = false;
    if (!prepare(&url, 1, false, true, line, used, qp) || !ok()) return refused();
    const char* charset = qp ? qp_charset_ : card_.QEL_GetCharSet();
    std::size_t length = 3 + 1 + (used - 1) + 2;  // URL, ':', the url, CR LF
    if (std::strcmp(charset, "ASCII") != 0) length += 9 + std::strlen(charset);
    if (std::strcmp(card_.QEL_GetLang(), "en-US") != 0)
      length += 10 + std::strlen(card_.QEL_GetLang());
    if (length >= sizeof line) return refused();
    return marked(qp, [&] { return (card_.*add)(line), 1; });
  }

  char path_[kPathBytes];  // empty when the path was refused
  KwvCard card_;
  mutable State state_ = State::Unknown;
  bool closed_ = false;
  Types<Tel> tel_now_{Tel::Work};  // a new card's sets: WORK alone
  Types<Adr> adr_now_{Adr::Work};
  Kind kind_ = Kind::Utf8;
  iconv_t iconv_ = kNoIconv;  // open under Kind::Iconv
  Encoding encoding_ = Encoding::EightBit;
  std::size_t replaced_ = 0;
  // The charset named for a quoted-printable line: "<charset>;ENCODING=...".
  char qp_charset_[kSettingBytes + 1] = "UTF-8;ENCODING=QUOTED-PRINTABLE";
};

}  // namespace kwv

#endif
