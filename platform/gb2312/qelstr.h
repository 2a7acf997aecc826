// UTF-8 to GB2312 line conversion, as the hosting platform provides it.
#ifndef QELSTR_H
#define QELSTR_H

#ifdef __cplusplus
extern "C" {
#endif

/// Converts the NUL-terminated UTF-8 text `src` to GB2312 (EUC-CN) into `dest`
/// and terminates it. Each invalid UTF-8 sequence, and each character that
/// GB2312 lacks, becomes one '?'. The output is never longer than the input
/// (GB2312 needs at most as many bytes as UTF-8 for every character it has), so
/// a `dest` as large as the buffer `src` was composed in always suffices; no
/// size is passed. Returns the length of the converted text. Thread-safe: each
/// thread keeps its own converter state.
int qelstr_utf8_to_gb(char* dest, const char* src);

#ifdef __cplusplus
}
#endif

#endif
