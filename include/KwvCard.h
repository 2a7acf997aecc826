/// \file
/// KwvCard: writes one contact as a vCard 2.1 file, one property line per call.
///
/// A card is created on a file path; the constructor writes the header
///   BEGIN:VCARD CR LF  VERSION:2.1 CR LF
/// every property operation then writes its complete line(s) at once, in call
/// order, and QEL_EndPacking() writes END:VCARD CR LF and closes the file.
/// Every line ends with CR LF. Values are written exactly as given: no escaping,
/// no quoted-printable, no folding (only attachment bodies are folded).
///
/// Text properties carry the card's charset and language as parameters
/// (see QEL_AddCharLang). When the charset begins with "GB2312" (any case), each
/// composed line is converted from UTF-8 to GB2312 before it is written.
///
/// Common rules for every property operation below:
/// - The line is composed in a fixed buffer of the operation's capacity,
///   terminator included: a line of capacity - 1 characters is written, a longer
///   one is refused: nothing is written and the result is 0. The same holds for
///   the GB2312 conversion of the line.
/// - The result is the number of bytes the stream accepted for the line; 0 when
///   the card has no stream (the file could not be created, or the card was
///   already closed by QEL_EndPacking).
/// - A null text argument writes nothing and returns 0.
/// - The caller's text is only read; nothing is kept after the call.
/// - No heap memory is used by text property operations.
/// - Lines go through the stream's 16 KiB buffer, which an open card holds on
///   the heap (on glibc; elsewhere stdio's own): they reach the file whenever it
///   fills, and all of them once QEL_EndPacking has closed it (or the card has
///   been destroyed).
/// A card is used by one thread at a time; separate cards are independent.
#ifndef KWVCARD_H
#define KWVCARD_H

#include <cstdio>

#include "KwAddr_Type.h"
#include "KwPhone_Type.h"
#include "KwvCard_export.h"

/// One vCard 2.1 file while it is being written: its stream, its charset and
/// language settings and its two type sets. The rules at the top of this header
/// hold for every property operation.
class KWVCARD_API KwvCard {
 public:
  /// Constructs the address and telephone type sets first (only WORK on in
  /// each), sets the charset to "UTF-8" and the language to "en-US", then
  /// creates (or truncates) the file at `path` with mode "wb" and writes the
  /// header lines. When the file cannot be created (or `path` is null) the
  /// card is Unopened: nothing is reported, property operations write nothing
  /// and return 0, settings and type operations still work.
  KwvCard(char* path);

  /// Does nothing visible: neither writes the trailer nor closes the stream
  /// (call QEL_EndPacking for that). Lines already written are flushed to the
  /// file, so a card destroyed while open leaves its lines without a trailer.
  ~KwvCard();

  KwvCard(const KwvCard&) = delete;
  KwvCard& operator=(const KwvCard&) = delete;

  // ---- Settings -----------------------------------------------------------

  /// Charset becomes "UTF-8" and language "en-US". Returns 5, the length of
  /// the last text stored. The address and telephone types keep their flags.
  int QEL_SetDefault();

  /// Replaces the charset with `charset`. At most 39 bytes are kept: a longer
  /// text is cut to its first 39 bytes. Returns the number of bytes stored;
  /// 0 for a null `charset`, which changes nothing. Affects lines composed
  /// afterwards only.
  int QEL_ChangeCharSet(char* charset);

  /// Replaces the language with `lang`; same rules as QEL_ChangeCharSet.
  int QEL_ChangeLang(char* lang);

  /// The card's own charset field (40 bytes, NUL-terminated), not a copy; text
  /// written through it must keep to 39 bytes and its terminator.
  char* QEL_GetCharSet();

  /// The card's own language field (40 bytes, NUL-terminated), not a copy.
  char* QEL_GetLang();

  /// Appends the charset/language parameters to the NUL-terminated `line`:
  /// `;CHARSET=<charset>` unless the charset is exactly "ASCII" (case-sensitive),
  /// then `;LANGUAGE=<lang>` unless the language is exactly "en-US". At most 97
  /// characters are added (14 with the default settings); `line` must have room.
  /// A null `line` is ignored.
  void QEL_AddCharLang(char* line);

  /// Writes END:VCARD CR LF and closes the file. If closing fails, prints
  /// "Cannot close the file" and a newline on standard output. Afterwards the
  /// card is Unopened: every operation writes nothing and returns 0, and a
  /// second QEL_EndPacking does nothing. Does nothing on an Unopened card.
  void QEL_EndPacking();

  // ---- Single-value text properties --------------------------------------
  // Each writes  `NAME;<charset/language parameters>:<value>` CR LF.

  /// TITLE line, capacity 800.
  int QEL_AddTitle(char* title);
  /// NOTE line, capacity 1600.
  int QEL_AddComment(char* note);
  /// URL line, capacity 800.
  int QEL_AddURL(char* url);
  /// ROLE line (business category or role), capacity 500.
  int QEL_AddBusCat(char* role);
  /// IM line (instant-messaging address), capacity 500.
  int QEL_AddIM(char* im);
  /// DEPARTMENT line, capacity 800.
  int QEL_AddDepartment(const char* dept);
  /// X-ZEB-ANNIVERSARY line, value as the caller formats it, capacity 800.
  int QEL_AddAnniversary(const char* text);
  /// X-ZEB-SPOUSE line, capacity 800.
  int QEL_AddSpouse(const char* name);
  /// X-ZEB-CHILD line, capacity 800.
  int QEL_AddChildren(const char* names);
  /// X-ZEB-NICKNAME line, capacity 800.
  int QEL_AddNickname(const char* name);
  /// X-ZEB-MANAGER line, capacity 800.
  int QEL_AddManager(const char* name);
  /// X-ZEB-ASSISTANT line, capacity 800.
  int QEL_AddAssistant(const char* name);

  /// Writes `EMAIL;<charset/language parameters>;<type>:<address>` CR LF, the type
  /// unchanged (neither upper-cased nor checked). Capacity 800. A null `type`
  /// or `address` writes nothing and returns 0.
  int QEL_AddEmail(char* type, char* address);
  /// Same as QEL_AddEmail("INTERNET", address).
  int QEL_AddEmail(char* address);

  /// Writes `BDAY:<year>-<month>-<day>` CR LF, formatted "%04d-%02d-%02d" (a minus
  /// sign counts toward the width; nothing is validated, so day 0 is "00").
  /// Note the argument order: day, month, year. Never carries charset/language
  /// parameters, but is converted under a GB2312 charset like every line.
  /// Always fits. Writes nothing on an Unopened card.
  void QEL_AddBday(int day, int month, int year);

  // ---- Structured properties ---------------------------------------------
  // QEL_AddName, QEL_AddOrg and QEL_AddAddress take a count text and then the
  // components as char* arguments. The count k is the first byte of `count`
  // minus '0', raised to 1 and lowered to the property's maximum: "" and "0"
  // give 1, "12" gives 1, a letter or a byte of 128 or more gives the maximum;
  // a null `count` counts as 1. Exactly k components are read (pass at least
  // k) and joined with ";" (none after the last); a null component is written
  // as an empty one. Values are written as given: a ";" inside a component is
  // not escaped.

  /// Writes `N;<charset/language parameters>:<c1>;...;<ck>` CR LF. At most 5
  /// components; capacity 200.
  int QEL_AddName(char* count, ...);

  /// Writes `ORG;<charset/language parameters>:<c1>;...;<ck>` CR LF. At most 3
  /// components; capacity 800.
  int QEL_AddOrg(char* count, ...);

  /// Writes `ADR;<charset/language parameters><address types>:<c1>;...;<ck>` CR LF,
  /// the address types as QEL_TypeListGenerate of the card's address set (for
  /// example ";HOME;WORK"). At most 7 components, each cut to its first 285
  /// bytes (a multi-byte UTF-8 character may be cut); capacity 6000, which
  /// every such line fits.
  int QEL_AddAddress(char* count, ...);

  /// Writes `TEL<telephone types>:<number>` CR LF, the types as QEL_TypeListGenerate
  /// of the card's telephone set (for example ";CELL;WORK"). No charset/language
  /// parameters, but converted under a GB2312 charset. Capacity 100, type list
  /// included.
  int QEL_AddTel(char* number);

  // ---- Type flags ------------------------------------------------------------
  // The flags stay in force for every later ADR or TEL line until changed, and
  // can be changed whether or not the card has a stream. Names match without
  // regard to case (see KwAddr_Type and KwPhone_Type); an unknown, empty or
  // null name changes nothing.

  /// Turns an address type on (DOM, INTL, POSTAL, PARCEL, HOME, WORK).
  void QEL_SetAddressType(char* type);
  /// Turns an address type off.
  void QEL_ResetAddressType(char* type);
  /// Address types back to WORK alone.
  void QEL_SetDefaultAddressType();
  /// Turns a telephone type on (PREF, VOICE, FAX, MSG, CELL, PAGER, BBS, MODEM,
  /// CAR, ISDN, VIDEO, VOIP, WORK, HOME).
  void QEL_SetTelType(char* type);
  /// Turns a telephone type off.
  void QEL_ResetTelType(char* type);
  /// Telephone types back to WORK alone.
  void QEL_SetDefaultTelType();

  // ---- Media properties ------------------------------------------------------

  /// Writes PHOTO;VALUE= followed by the URL line of QEL_AddURL(url), so that
  /// the two form one line: `PHOTO;VALUE=URL;CHARSET=UTF-8:<url>` CR LF with the
  /// default settings. The 12 bytes "PHOTO;VALUE=" are never converted; the URL
  /// line is converted under a GB2312 charset. When the URL line is refused
  /// (longer than its capacity of 800) nothing at all is written. Nothing is
  /// written on an Unopened card or for a null `url`.
  void QEL_AddRefPhoto(char* url);

  /// As QEL_AddRefPhoto, with "SOUND;VALUE=".
  void QEL_AddRefSound(char* url);

  /// Writes the media file at `path` inline:
  ///   `PHOTO;ENCODING=BASE64;TYPE=<TYPE>:<base64 body, folded>` CR LF
  /// `type` is upper-cased in place (the caller's text is changed) and written
  /// as is; the header is never converted and carries no charset parameters.
  /// The body is folded as QEL_Base64Encode describes.
  /// Returns 1 when the photo was written. Returns 0, writes nothing and leaves
  /// `type` unchanged when the card has no stream, when `path` or `type` is
  /// null, when `path` cannot be opened for reading or is a directory, or when
  /// `type` is longer than 371 bytes (the header must fit its 400-byte
  /// buffer); a too-long type is refused before the file is opened.
  /// The whole file and its encoding are held in memory at once; if either
  /// buffer cannot be allocated the process exits with status 2 (see
  /// QEL_Base64Encode).
  int QEL_AttachPhoto(char* path, char* type);

  /// As QEL_AttachPhoto, with "SOUND;ENCODING=BASE64;TYPE=".
  int QEL_AttachSound(char* path, char* type);

  /// Writes the base64 body of the already opened `media` stream to the card:
  /// the whole stream from its start, encoded with the standard alphabet and
  /// '=' padding, 75 characters on the first physical line (right after
  /// whatever the caller wrote before it) and on every following one, each
  /// following line starting with CR LF and four spaces, the body ending with
  /// one CR LF (so an empty stream writes just CR LF). `media` is left open,
  /// positioned at its end.
  /// Ends the process with exit status 2, without a message, when the size of
  /// `media` cannot be found (a pipe, say), when it is above 1610612733 bytes
  /// (the largest whose encoding an int can count), or when the data or the
  /// text buffer cannot be allocated; both buffers are released before return.
  /// A short read is not detected: bytes not read are encoded as zeros. Does
  /// nothing on an Unopened card or for a null `media`.
  void QEL_Base64Encode(std::FILE* media);

 private:
  std::FILE* stream;
  char charset[40];
  char lang[40];
  addr_type::KwAddr_Type addrTypes;
  phone_type::KwPhone_Type phoneTypes;
};

#endif
