/// \file
/// kwvcard.h: the C interface of libKwvCard (C99, usable from C++), the safe
/// interface of KwvCard.hpp for C programs and for other languages' bindings.
///
///     #include <kwvcard.h>
///
///     kwv_card* card = kwv_card_open("contact.vcf");  // BEGIN:VCARD, VERSION:2.1
///     if (card == NULL) { perror("contact.vcf"); return 1; }
///     const kwv_text name[] = {KWV_TEXT("Doe"), KWV_TEXT("Jane")};
///     kwv_card_name(card, name, 2);                    // N;CHARSET=UTF-8:Doe;Jane
///     kwv_card_tel(card, "+1-555-0100", KWV_NUL_TERMINATED, KWV_TEL_CELL | KWV_TEL_PREF);
///     kwv_card_note(card, note, note_len);             // NOTE;CHARSET=UTF-8:...
///     if (!kwv_card_close(card)) { ... }               // END:VCARD; frees the card
///
/// Link with -lKwvCard (pkg-config kwvcard). Each function is a thin wrapper
/// of the kwv::Card operation of the same name, so a card written through
/// this interface is byte for byte the one KwvCard.hpp writes, and the rules
/// of KwvCard.hpp's file comment hold here: charsets, quoted-printable, what
/// is refused. In short:
///
/// - Text values are `const char* text, size_t len`: `len` bytes of UTF-8, or
///   NUL-terminated text when `len` is KWV_NUL_TERMINATED. A null `text` is
///   the empty value when `len` is 0 and refused otherwise. The caller's text
///   is only read, and nothing is kept after the call.
/// - Names (paths, charsets, language tags, media types) are NUL-terminated.
/// - Every function that writes a line returns true when the line was written
///   whole, and false when it was refused: nothing was written, and
///   kwv_card_refusal() says why. Refused are a value holding NUL; under
///   KWV_ENCODING_8BIT (the default), a value holding CR or LF; a value too
///   long for its line once converted and encoded (TITLE 800 bytes, NOTE
///   1600, N 200, TEL 100, ...); and any call on a null card, which returns
///   false (kwv_card_replaced() 0).
/// - Types are per call: kwv_card_tel() and kwv_card_address() write exactly
///   the types in their bit set, so nothing carries over to the next line.
///
/// No function throws or ends the process for any input: media that could
/// end it (a FIFO, a device, a file over 1610612733 bytes) are refused. The
/// one abnormal end left is the library's: when the memory for an attachment
/// cannot be allocated, the process exits with status 2. Text operations
/// allocate nothing; kwv_card_open() allocates the card, kwv_card_close()
/// frees it. A card is used by one thread at a time; separate cards are
/// independent.
#ifndef KWVCARD_C_H
#define KWVCARD_C_H

#include <stddef.h>
#ifndef __cplusplus
#include <stdbool.h>
#endif

#include "KwvCard_export.h"

#ifdef __cplusplus
extern "C" {
#endif

/// One vCard 2.1 file while it is being written (opaque): from
/// kwv_card_open(), until kwv_card_close().
typedef struct kwv_card kwv_card;

/// A text value of `len` bytes at `data`, or NUL-terminated text at `data`
/// when `len` is KWV_NUL_TERMINATED; `{NULL, 0}` (a zeroed kwv_text) is empty.
typedef struct kwv_text {
  const char* data;  ///< The bytes, UTF-8.
  size_t len;        ///< How many, or KWV_NUL_TERMINATED.
} kwv_text;

/// A text length meaning "up to the terminating NUL".
#define KWV_NUL_TERMINATED ((size_t)-1)

/// A kwv_text initializer for NUL-terminated text:
/// `kwv_text parts[] = {KWV_TEXT("Doe"), KWV_TEXT("Jane")};`.
#define KWV_TEXT(s) \
  { (s), KWV_NUL_TERMINATED }

/// The seven components of an address, in the order ADR writes them. A
/// component left zeroed is written empty, so designated initializers read
/// well: `kwv_address a = {.street = KWV_TEXT("1 Main St")};`.
typedef struct kwv_address {
  kwv_text po_box;       ///< Post office box.
  kwv_text extended;     ///< Extended address (suite, apartment).
  kwv_text street;       ///< Street address.
  kwv_text city;         ///< Locality.
  kwv_text region;       ///< Region, state or province.
  kwv_text postal_code;  ///< Postal code.
  kwv_text country;      ///< Country.
} kwv_address;

/// Telephone types, a bit set for kwv_card_tel(): `KWV_TEL_CELL | KWV_TEL_PREF`.
/// They are written in this order: TEL;PREF;VOICE;...;HOME.
enum kwv_tel_type {
  KWV_TEL_PREF = 1 << 0,    ///< PREF
  KWV_TEL_VOICE = 1 << 1,   ///< VOICE
  KWV_TEL_FAX = 1 << 2,     ///< FAX
  KWV_TEL_MSG = 1 << 3,     ///< MSG
  KWV_TEL_CELL = 1 << 4,    ///< CELL
  KWV_TEL_PAGER = 1 << 5,   ///< PAGER
  KWV_TEL_BBS = 1 << 6,     ///< BBS
  KWV_TEL_MODEM = 1 << 7,   ///< MODEM
  KWV_TEL_CAR = 1 << 8,     ///< CAR
  KWV_TEL_ISDN = 1 << 9,    ///< ISDN
  KWV_TEL_VIDEO = 1 << 10,  ///< VIDEO
  KWV_TEL_VOIP = 1 << 11,   ///< VOIP
  KWV_TEL_WORK = 1 << 12,   ///< WORK
  KWV_TEL_HOME = 1 << 13    ///< HOME
};

/// Address types, a bit set for kwv_card_address(), written in this order:
/// ADR;...;DOM;INTL;...;WORK.
enum kwv_adr_type {
  KWV_ADR_DOM = 1 << 0,     ///< DOM
  KWV_ADR_INTL = 1 << 1,    ///< INTL
  KWV_ADR_POSTAL = 1 << 2,  ///< POSTAL
  KWV_ADR_PARCEL = 1 << 3,  ///< PARCEL
  KWV_ADR_HOME = 1 << 4,    ///< HOME
  KWV_ADR_WORK = 1 << 5     ///< WORK
};

/// How text values are written (see kwv_card_encoding()).
typedef enum kwv_encoding {
  KWV_ENCODING_8BIT,             ///< As they are (the default).
  KWV_ENCODING_QUOTED_PRINTABLE  ///< QUOTED-PRINTABLE when not printable ASCII.
} kwv_encoding;

// ---- The card ----------------------------------------------------------------

/// Creates (or truncates) the file at `path` and writes the card header,
/// BEGIN:VCARD CR LF VERSION:2.1 CR LF, under the default settings (charset
/// "UTF-8", language "en-US", KWV_ENCODING_8BIT). Returns the card, or NULL
/// when the file cannot be created, with errno as the system set it (EINVAL
/// for a null `path`, ENAMETOOLONG for one of 4096 bytes or more, ENOMEM when
/// the card cannot be allocated).
KWVCARD_API kwv_card* kwv_card_open(const char* path);

/// Writes END:VCARD CR LF, closes the file and frees the card, which must not
/// be used afterwards. Returns true when the card was open and its trailer
/// was written; false, doing nothing, for a null card. A failure of the final
/// write to the file itself is reported by the library alone, with its
/// message "Cannot close the file" on standard output.
KWVCARD_API bool kwv_card_close(kwv_card* card);

/// Why the card's last call returned false, as a short English phrase
/// (static text, never to be freed): "a line break, which an 8-bit value
/// cannot hold", "too long for its line once converted and encoded", ...;
/// NULL when that call succeeded (or nothing was called yet). "no card" for
/// a null card.
KWVCARD_API const char* kwv_card_refusal(const kwv_card* card);

/// How many characters the last call wrote as '?' because the card's charset
/// cannot hold them (each ill-formed UTF-8 sequence counts as one); 0 when it
/// wrote its value whole, when it was refused, and for a null card.
KWVCARD_API size_t kwv_card_replaced(const kwv_card* card);

// ---- Settings ------------------------------------------------------------------
// Each applies to the lines written afterwards; refused (false), it leaves the
// setting as it was.

/// The charset of the values written afterwards, and the lines' `;CHARSET=`
/// parameter (none for exactly "ASCII"): "UTF-8" (the default) as given, a
/// name beginning with "GB2312" through the library's own GB2312 table,
/// "ASCII", or any other charset iconv converts UTF-8 to (SHIFT_JIS, BIG5,
/// ISO-8859-1, WINDOWS-1252, ...). Refused: a null or empty name, one longer
/// than 39 bytes (13 under KWV_ENCODING_QUOTED_PRINTABLE) or holding a byte
/// below 0x21, ';' or ':', a charset iconv does not know, and one that does
/// not write ASCII as ASCII (UTF-16, ...).
KWVCARD_API bool kwv_card_charset(kwv_card* card, const char* name);

/// The language of the lines written afterwards, their `;LANGUAGE=`
/// parameter (none for exactly "en-US", the default). Refused: a null or
/// empty tag, one longer than 39 bytes or holding a byte below 0x21, ';' or
/// ':'.
KWVCARD_API bool kwv_card_language(kwv_card* card, const char* tag);

/// How the text values written afterwards are written: `encoding` is a
/// kwv_encoding (an int, so that any value a caller passes is defined). Under
/// KWV_ENCODING_QUOTED_PRINTABLE a value holding a byte outside printable
/// ASCII once converted, or a line break, is written
/// `;ENCODING=QUOTED-PRINTABLE` as vCard 2.1 devices read it (line breaks as
/// =0D=0A, soft line breaks after 76 characters); TEL never is. Refused: a
/// value outside the enumeration, and quoted-printable while the charset's
/// name is longer than 13 bytes.
KWVCARD_API bool kwv_card_encoding(kwv_card* card, int encoding);

// ---- Text properties -------------------------------------------------------------
// Each writes `NAME;<charset/language parameters>:<value>` CR LF.

/// TITLE line, capacity 800.
KWVCARD_API bool kwv_card_title(kwv_card* card, const char* text, size_t len);
/// NOTE line, capacity 1600.
KWVCARD_API bool kwv_card_note(kwv_card* card, const char* text, size_t len);
/// URL line, capacity 800.
KWVCARD_API bool kwv_card_url(kwv_card* card, const char* text, size_t len);
/// ROLE line, capacity 500.
KWVCARD_API bool kwv_card_role(kwv_card* card, const char* text, size_t len);
/// IM line, capacity 500.
KWVCARD_API bool kwv_card_im(kwv_card* card, const char* text, size_t len);
/// DEPARTMENT line, capacity 800.
KWVCARD_API bool kwv_card_department(kwv_card* card, const char* text, size_t len);
/// X-ZEB-ANNIVERSARY line, the date as the caller writes it, capacity 800.
KWVCARD_API bool kwv_card_anniversary(kwv_card* card, const char* text, size_t len);
/// X-ZEB-SPOUSE line, capacity 800.
KWVCARD_API bool kwv_card_spouse(kwv_card* card, const char* text, size_t len);
/// X-ZEB-CHILD line, capacity 800.
KWVCARD_API bool kwv_card_children(kwv_card* card, const char* text, size_t len);
/// X-ZEB-NICKNAME line, capacity 800.
KWVCARD_API bool kwv_card_nickname(kwv_card* card, const char* text, size_t len);
/// X-ZEB-MANAGER line, capacity 800.
KWVCARD_API bool kwv_card_manager(kwv_card* card, const char* text, size_t len);
/// X-ZEB-ASSISTANT line, capacity 800.
KWVCARD_API bool kwv_card_assistant(kwv_card* card, const char* text, size_t len);
/// `EMAIL;<charset/language parameters>;INTERNET:<address>` CR LF, capacity 800.
KWVCARD_API bool kwv_card_email(kwv_card* card, const char* text, size_t len);
/// `PHOTO;VALUE=URL;<parameters>:<url>` CR LF, capacity 800 counted from "URL".
KWVCARD_API bool kwv_card_photo_url(kwv_card* card, const char* text, size_t len);
/// `SOUND;VALUE=URL;<parameters>:<url>` CR LF, as kwv_card_photo_url().
KWVCARD_API bool kwv_card_sound_url(kwv_card* card, const char* text, size_t len);

/// `BDAY:<YYYY>-<MM>-<DD>` CR LF. Refused unless the year is 0 to 9999, the
/// month 1 to 12 and the day 1 to 31.
KWVCARD_API bool kwv_card_birthday(kwv_card* card, int year, int month, int day);

// ---- Structured properties ---------------------------------------------------------
// The components are joined with ';', a ';' inside one written as "\;"; a
// component other than the last that ends in a backslash is refused (it would
// escape the separator after it). `parts` may be NULL when `n` is 0.

/// `N;<parameters>:<family>;<given>;<middle>;<prefix>;<suffix>` CR LF, the `n`
/// components of `parts` (none writes one empty component). More than 5 are
/// refused. Capacity 200.
KWVCARD_API bool kwv_card_name(kwv_card* card, const kwv_text* parts, size_t n);

/// `ORG;<parameters>:<name>;<unit>;<unit>` CR LF, at most 3 components.
/// Capacity 800.
KWVCARD_API bool kwv_card_org(kwv_card* card, const kwv_text* parts, size_t n);

/// `ADR;<parameters><types>:<po_box>;...;<country>` CR LF, all seven
/// components, with exactly the kwv_adr_type bits in `types` (0 for none).
/// Refused: a null `address`, a bit outside kwv_adr_type, a component of more
/// than 285 bytes once escaped (and encoded).
KWVCARD_API bool kwv_card_address(kwv_card* card, const kwv_address* address, unsigned types);

/// `TEL<types>:<number>` CR LF with exactly the kwv_tel_type bits in `types`
/// (0 for none). No charset parameters and never encoded: the number is
/// written in the card's charset as it is, and a line break is refused under
/// either encoding, as is a bit outside kwv_tel_type. Capacity 100, types
/// included.
KWVCARD_API bool kwv_card_tel(kwv_card* card, const char* number, size_t len, unsigned types);

// ---- Media -----------------------------------------------------------------------

/// The image file at `path` inline: `PHOTO;ENCODING=BASE64;TYPE=<TYPE>:` and
/// its base64 body, folded at 75 characters. `type` (upper-cased in a copy:
/// 1 to 371 letters, digits and "-+./_") names the type; when it is NULL the
/// extension does, in any case: .jpg and .jpeg JPEG, .png PNG, .gif GIF,
/// .bmp BMP. Refused: another extension, a path that is not a regular file
/// (a directory, a FIFO, a device) and a file larger than 1610612733 bytes.
/// The whole file and its encoding are held in memory while it is written.
KWVCARD_API bool kwv_card_photo(kwv_card* card, const char* path, const char* type);

/// As kwv_card_photo(), for `SOUND;ENCODING=BASE64;TYPE=<TYPE>:`; from the
/// extension: .wav WAVE, .aif and .aiff AIFF, .pcm PCM, .mp3 MP3.
KWVCARD_API bool kwv_card_sound(kwv_card* card, const char* path, const char* type);

#ifdef __cplusplus
}
#endif

#endif
