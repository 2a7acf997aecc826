// What a process started from a shell has and the page's does not: a file
// creation mask of 022. Emscripten's starts at 0777, so the cards kwvcard
// writes (with the permissions the mask allows, as a new file gets them)
// would be unreadable.
#include <sys/stat.h>

namespace {

[[maybe_unused]] const mode_t kShellMask = umask(022);

}  // namespace
