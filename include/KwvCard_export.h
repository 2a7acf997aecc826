// Export macro for the public classes of libKwvCard. The library is built with
// hidden visibility, so only what carries this macro is exported.
#ifndef KWVCARD_EXPORT_H
#define KWVCARD_EXPORT_H

#if defined(_WIN32)
#define KWVCARD_API
#else
#define KWVCARD_API __attribute__((visibility("default")))
#endif

#endif
