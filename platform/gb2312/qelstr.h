// UTF-8 to GB2312 line conversion, as the hosting platform provides it.
#ifndef QELSTR_H
#define QELSTR_H

#ifdef __cplusplus
extern "C" {
#endif

/// Converts the NUL-terminated UTF-8 text `src` to GB2312 (EUC-CN) into `dest`
/// and terminates it. ASCII is copied unchanged; each GB2312 character becomes
/// its two bytes; each maximal ill-formed UTF-8 subsequence, and each character
/// that GB2312 lacks, becomes one '?'; the tag characters U+E0000..U+E007F are
/// dropped (as glibc's iconv does). The output is never longer than the input
/// (GB2312 needs at most as many bytes as UTF-8 for every character it has), so
/// a `dest` as large as the buffer `src` was composed in always suffices; no
/// size is passed. Returns the length of the converted text. The mapping is
/// compiled in: no iconv, files or environment are used, nothing is allocated,
/// and there is no state, so any number of threads may convert at once.
int qelstr_utf8_to_gb(char* dest, const char* src);

#ifdef __cplusplus
}
#endif

#endif
