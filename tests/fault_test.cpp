// Faults, each in a child process on a card of its own: files that cannot be
// created or closed, media that cannot be opened, has no size, does not fit in
// memory, or shrinks while it is read.
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <functional>
#include <iostream>

#include "test_support.h"

// Under ASan, an allocation the address-space limit refuses yields null, as
// malloc does, instead of a report.
extern "C" __attribute__((visibility("default"))) const char* __asan_default_options() {
  return "allocator_may_return_null=1";
}

namespace {

using kwvtest::framed;

// A file that loses all but its first `keep` bytes when rewound after being
// sized, read through stdio.
struct Shrinking {
  int fd;
  off64_t keep;
};
std::FILE* open_shrinking(Shrinking* file) {
  cookie_io_functions_t io{};
  io.read = [](void* c, char* buf, std::size_t n) {
    return read(static_cast<Shrinking*>(c)->fd, buf, n);
  };
  io.seek = [](void* c, off64_t* pos, int whence) {
    auto* f = static_cast<Shrinking*>(c);
    if (whence == SEEK_SET && *pos == 0 && ftruncate(f->fd, f->keep) != 0) return -1;
    *pos = lseek(f->fd, *pos, whence);
    return *pos < 0 ? -1 : 0;
  };
  return fopencookie(file, "rb", io);
}

using FaultTest = kwvtest::CardTest;

TEST_F(FaultTest, EachFaultEndsAsDocumented) {
  // 0 when the attachment is refused and leaves its type text alone.
  const auto refused = [this](KwvCard& c, char* media) {
    char* type = s("jpeg");
    return c.QEL_AttachPhoto(media, type) + (std::strcmp(type, "jpeg") != 0);
  };
  // 300 bytes of which 36 remain to be read: the body encodes 264 zeros after them.
  const std::string data = "0123456789abcdefghijklmnopqrstuvwxyz" + std::string(264, 'z');
  const std::string shrunk =
      kwvtest::folded(kwvtest::base64(data.substr(0, 36) + std::string(264, '\0')));
  // Each runs in a child process on a card of its own, which is closed after
  // it; it returns 0 when everything went as documented.
  const struct {
    std::function<int(KwvCard&)> run;
    int status;        // the child's exit status
    std::string out;   // what it prints
    const char* body;  // the card's body afterwards; null: not examined
  } faults[] = {
      {[&](KwvCard&) {  // a path that cannot be created
         KwvCard unopened(s(path("missing/card.vcf"))), no_path(nullptr);
         const int sum = kwvtest::call_everything(unopened, file("m.jpg", "abc")) +
                         kwvtest::call_everything(no_path, s(path("m.jpg")));
         unopened.QEL_EndPacking();
         const bool settings = unopened.QEL_ChangeLang(s("fr")) == 2;  // these still work
         return sum + !settings + std::filesystem::exists(path("missing"));
       },
       0, "", ""},
      {[&](KwvCard&) {  // a card on a full device
         KwvCard full(s("/dev/full"));
         full.QEL_AddTitle(s("x"));
         full.QEL_EndPacking();
         return full.QEL_AddTitle(s("x"));
       },
       0, "Cannot close the file\n", ""},
      {[&](KwvCard& c) { return refused(c, s(path(""))); }, 0, "", ""},  // a directory
      {[&](KwvCard& c) {                                                 // an unreadable media file
         char* media = file("locked.jpg", "abc");
         chmod(media, 0);
         // Root reads whatever the mode says: try as an ordinary user (99: cannot).
         const bool root = geteuid() == 0;
         if (root && (chmod(s(path("")), 0755) != 0 || seteuid(65534) != 0)) return 99;
         const int result = refused(c, media);
         return root && seteuid(0) != 0 ? 99 : result;
       },
       0, "", ""},
      {[&](KwvCard& c) {  // a FIFO
         // With a writer already there, opening it for reading does not block.
         if (mkfifo(s(path("fifo")), 0600) != 0 || open(s(path("fifo")), O_RDWR) < 0) return 99;
         return c.QEL_AttachPhoto(s(path("fifo")), s("jpeg"));
       },
       2, "", nullptr},
      {[&](KwvCard& c) {  // a media stream without a size
         int fds[2];
         if (pipe(fds) != 0) return 99;
         c.QEL_Base64Encode(fdopen(fds[0], "rb"));
         return 0;
       },
       2, "", nullptr},
      {[&](KwvCard& c) {                     // media whose base64 an int cannot count
         char* huge = file("huge.bin", "");  // sparse, 3 GiB
         std::filesystem::resize_file(huge, std::uintmax_t{3} << 30);
         return c.QEL_AttachPhoto(huge, s("jpeg"));
       },
       2, "", nullptr},
      {[&](KwvCard& c) {                   // media larger than the memory the process may take
         char* big = file("big.bin", "");  // sparse, 1 GiB
         std::filesystem::resize_file(big, std::uintmax_t{1} << 30);
         rlim_t pages = 0;
         std::ifstream("/proc/self/statm") >> pages;  // the address space in use
         const rlim_t limit = pages * sysconf(_SC_PAGESIZE) + (rlim_t{64} << 20);
         rlimit rl{limit, limit};
         if (setrlimit(RLIMIT_AS, &rl) != 0) return 99;
         // qemu's user-mode emulator ignores the limit (77: not tried).
         if (getrlimit(RLIMIT_AS, &rl) != 0 || rl.rlim_cur != limit) return 77;
         return c.QEL_AttachPhoto(big, s("jpeg"));
       },
       2, "", nullptr},
      {[&](KwvCard& c) {  // media that shrinks after it was sized
         Shrinking shrinking{open(file("m.bin", data), O_RDWR), 36};
         c.QEL_Base64Encode(open_shrinking(&shrinking));
         return 0;
       },
       0, "", shrunk.c_str()},
  };
  const auto child = [this](const auto& fault, const std::string& card) {
    alarm(30);  // a child that blocks fails
    KwvCard c(s(card));
    testing::internal::CaptureStdout();
    const int result = fault.run(c);
    c.QEL_EndPacking();
    std::exit(testing::internal::GetCapturedStdout() != fault.out ? 101 : std::min(result, 100));
  };
  for (const auto& fault : faults) {
    const std::string card = path(std::to_string(&fault - faults) + ".vcf");
    bool tried = true;
    const auto ends = [&](int status) {
      tried = !WIFEXITED(status) || WEXITSTATUS(status) != 77;
      return !tried || (WIFEXITED(status) && WEXITSTATUS(status) == fault.status);
    };
    EXPECT_EXIT(child(fault, card), ends, "") << card;
    if (!tried)
      std::cout << "address-space limit not enforced here: fault " << card << " not tried\n";
    if (fault.body) {
      EXPECT_EQ(kwvtest::read_file(card), framed(fault.body)) << card;
    }
  }
}

}  // namespace
