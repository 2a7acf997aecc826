// Base64 encoding, as the hosting platform provides it.
#ifndef QEL_BASE64_H
#define QEL_BASE64_H

#ifdef __cplusplus
extern "C" {
#endif

/// Encodes exactly `length` bytes of `data` as base64 with the standard
/// alphabet of RFC 4648 ('+', '/', '=' padding, no line breaks) into the
/// caller's buffer `*text`, and NUL-terminates it. Returns the number of
/// characters written, not counting the NUL: 4 * ((length + 2) / 3).
///
/// `*text` must point to at least 4 * ((length + 2) / 3) + 1 bytes; nothing is
/// allocated and `*text` is never changed. `data` may hold NUL bytes.
///
/// Edge cases:
///  - `text` or `*text` null: returns -1 and writes nothing.
///  - `length` <= 0: writes just the NUL and returns 0 (`data` is not read and
///    may be null).
///  - `data` null with `length` > 0: returns -1 and writes nothing.
///  - `length` above 1610612733, whose encoding would not fit in an int:
///    returns -1 and writes nothing.
///
/// Thread-safe; no state is kept between calls.
int QEL_base64_encode(const void* data, int length, char** text);

#ifdef __cplusplus
}
#endif

#endif
