// kwv::Card (KwvCard.hpp): the same bytes as the raw calls, refusals that
// write nothing, per-call types, escaped components, media that cannot end the
// process, and text operations that allocate nothing.
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <functional>
#include <new>

#include "KwvCard.hpp"
#include "test_support.h"

// Every allocation is counted, except under ThreadSanitizer, whose runtime
// defines operator new itself (there the allocation test is skipped).
#if defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define KWV_NO_ALLOCATION_COUNT 1
#endif
#endif
#if defined(__SANITIZE_THREAD__)
#define KWV_NO_ALLOCATION_COUNT 1
#endif

namespace {

std::atomic<long> g_allocations{0};

}  // namespace

#ifndef KWV_NO_ALLOCATION_COUNT
// Kept out of line, so that the compiler does not pair the free() below with
// the new expressions it would be inlined into.
[[gnu::noinline]] void* operator new(std::size_t size) {
  ++g_allocations;
  if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
  throw std::bad_alloc();
}
[[gnu::noinline]] void operator delete(void* p) noexcept {
  std::free(p);
}
[[gnu::noinline]] void operator delete(void* p, std::size_t) noexcept {
  std::free(p);
}
#endif

namespace {

using kwv::Adr;
using kwv::Tel;
using kwvtest::framed;
using kwvtest::read_file;

class CppInterfaceTest : public kwvtest::CardTest {
 protected:
  // Writes one card through the layer and one through the raw calls, under
  // the given settings; both files must be the same bytes.
  void expect_same(const char* what, const std::function<bool(kwv::Card&)>& layer,
                   const std::function<void(KwvCard&)>& raw, const std::string& charset,
                   const std::string& lang) {
    {
      kwv::Card card(path("layer.vcf"));
      EXPECT_TRUE(card.charset(charset) && card.language(lang));
      EXPECT_TRUE(layer(card)) << what << " " << charset;
    }
    KwvCard card(s(path("raw.vcf")));
    card.QEL_ChangeCharSet(s(charset));
    card.QEL_ChangeLang(s(lang));
    raw(card);
    card.QEL_EndPacking();
    EXPECT_EQ(read_file(path("layer.vcf")), read_file(path("raw.vcf"))) << what << " " << charset;
  }
};

// A single-value operation and its raw call, on a value with a Chinese
// character, the separators and an escape-like pair that are written as given.
#define KWV_TEXT(op, raw)                                                                   \
  {                                                                                         \
#op, [](kwv::Card & c) { return c.op(kValue); }, [&](KwvCard & c) { c.raw(s(kValue)); } \
  }

TEST_F(CppInterfaceTest, EveryOperationWritesWhatTheRawCallsWrite) {
  static constexpr const char* kValue = "Engineer \xE5\xB7\xA5; a:b\\n";
  const std::string photo = file("face.jpg", std::string("\xFF\xD8\xFF\xE0 jpeg", 9));
  const std::string sound = file("hello.WAV", "RIFF....WAVE");
  // clang-format off
  const struct {
    const char* what;
    std::function<bool(kwv::Card&)> layer;
    std::function<void(KwvCard&)> raw;
  } kCases[] = {
      KWV_TEXT(title, QEL_AddTitle), KWV_TEXT(note, QEL_AddComment), KWV_TEXT(url, QEL_AddURL),
      KWV_TEXT(role, QEL_AddBusCat), KWV_TEXT(im, QEL_AddIM),
      KWV_TEXT(department, QEL_AddDepartment), KWV_TEXT(anniversary, QEL_AddAnniversary),
      KWV_TEXT(spouse, QEL_AddSpouse), KWV_TEXT(children, QEL_AddChildren),
      KWV_TEXT(nickname, QEL_AddNickname), KWV_TEXT(manager, QEL_AddManager),
      KWV_TEXT(assistant, QEL_AddAssistant), KWV_TEXT(email, QEL_AddEmail),
      KWV_TEXT(photo_url, QEL_AddRefPhoto), KWV_TEXT(sound_url, QEL_AddRefSound),
      {"birthday", [](kwv::Card& c) { return c.birthday(1980, 3, 7); },
       [](KwvCard& c) { c.QEL_AddBday(7, 3, 1980); }},
      {"name", [](kwv::Card& c) { return c.name({"\xE5\xBC\xA0", "\xE4\xB8\x89", "M", "Dr.", "Jr."}); },
       [&](KwvCard& c) { c.QEL_AddName(s("5"), s("\xE5\xBC\xA0"), s("\xE4\xB8\x89"), s("M"), s("Dr."), s("Jr.")); }},
      {"org", [](kwv::Card& c) { return c.org({"Example Corp", "Research"}); },
       [&](KwvCard& c) { c.QEL_AddOrg(s("2"), s("Example Corp"), s("Research")); }},
      {"address", [](kwv::Card& c) {
         kwv::Address a; a.street = "1 Main St"; a.city = "Springfield"; a.country = "USA";
         return c.address(a, {Adr::Work, Adr::Home, Adr::Postal}); },
       [&](KwvCard& c) {
         c.QEL_SetAddressType(s("home")); c.QEL_SetAddressType(s("POSTAL"));
         c.QEL_AddAddress(s("7"), s(""), s(""), s("1 Main St"), s("Springfield"), s(""), s(""), s("USA")); }},
      {"tel", [](kwv::Card& c) { return c.tel("+1-555-0100", {Tel::Cell, Tel::Pref}); },
       [&](KwvCard& c) {
         c.QEL_ResetTelType(s("WORK")); c.QEL_SetTelType(s("CELL")); c.QEL_SetTelType(s("PREF"));
         c.QEL_AddTel(s("+1-555-0100")); }},
      {"photo", [&](kwv::Card& c) { return c.photo(photo); },
       [&](KwvCard& c) { c.QEL_AttachPhoto(s(photo), s("jpeg")); }},
      {"photo with a type", [&](kwv::Card& c) { return c.photo(photo, "png"); },
       [&](KwvCard& c) { c.QEL_AttachPhoto(s(photo), s("PNG")); }},
      {"sound", [&](kwv::Card& c) { return c.sound(sound); },
       [&](KwvCard& c) { c.QEL_AttachSound(s(sound), s("WAVE")); }},
  };
  // clang-format on
  // (Under ASCII the layer writes '?' for the Chinese character: see the
  // charset tests.)
  for (const auto& [charset, lang] : {std::pair<const char*, const char*>{"UTF-8", "en-US"},
                                      {"GB2312", "zh-CN"},
                                      {"utf-8", "de"}}) {
    for (const auto& c : kCases) expect_same(c.what, c.layer, c.raw, charset, lang);
  }
}

TEST_F(CppInterfaceTest, RefusedValuesWriteNothing) {
  const std::string longest_title(800 - std::strlen("TITLE;CHARSET=UTF-8:\r\n") - 1, 't');
  const std::string longest_url(800 - std::strlen("URL;CHARSET=UTF-8:\r\n") - 1, 'u');
  const std::string city(286, 'c'), street = std::string(284, 's') + ";";
  kwv::Address too_long, escaped_too_long;
  too_long.city = city;
  escaped_too_long.street = street;  // 286 bytes once its ';' is escaped
  // clang-format off
  const std::function<bool(kwv::Card&)> kRefused[] = {
      [](kwv::Card& c) { return c.title("two\r\nlines"); },
      [](kwv::Card& c) { return c.note("line\nbreak"); },
      [](kwv::Card& c) { return c.url("cr\rhere"); },
      [](kwv::Card& c) { return c.nickname(std::string_view("nul\0cut", 7)); },
      [&](kwv::Card& c) { return c.title(longest_title + "t"); },
      [&](kwv::Card& c) { return c.photo_url(longest_url + "u"); },
      [](kwv::Card& c) { return c.name({"1", "2", "3", "4", "5", "6"}); },
      [](kwv::Card& c) { return c.org({"1", "2", "3", "4"}); },
      [](kwv::Card& c) { return c.name({"ends in \\", "given"}); },
      [](kwv::Card& c) { return c.name({"Doe", "Jane\nDoe"}); },
      [&](kwv::Card& c) { return c.address(too_long); },
      [&](kwv::Card& c) { return c.address(escaped_too_long); },
      [](kwv::Card& c) { return c.tel(std::string(100, '1')); },
      [](kwv::Card& c) { return c.birthday(1980, 13, 1); },
      [](kwv::Card& c) { return c.birthday(1980, 1, 0); },
      [](kwv::Card& c) { return c.birthday(10000, 1, 1); },
      [](kwv::Card& c) { return c.charset("GB2312-" + std::string(33, 'c')); },
      [](kwv::Card& c) { return c.charset("UTF-8\r\n"); },
      [](kwv::Card& c) { return c.language("de;X"); },
      [](kwv::Card& c) { return c.photo("face.tiff"); },
      [](kwv::Card& c) { return c.photo("missing.jpg"); },
      [](kwv::Card& c) { return c.photo("missing.jpg", "JP:EG"); },
  };
  // clang-format on
  for (std::size_t i = 0; i < std::size(kRefused); ++i)
    EXPECT_EQ(only(kRefused[i], false), "") << "case " << i;
  // What still fits is written: the longest title, and a 39-byte charset.
  EXPECT_EQ(only([&](kwv::Card& c) { return c.title(longest_title); }, true),
            "TITLE;CHARSET=UTF-8:" + longest_title + "\r\n");
  const std::string longest_charset = "GB2312-" + std::string(32, 'c');
  EXPECT_EQ(only([&](kwv::Card& c) { return c.charset(longest_charset) && c.title("t"); }, true),
            "TITLE;CHARSET=" + longest_charset + ":t\r\n");
}

TEST_F(CppInterfaceTest, TypesArePerCallAndSemicolonsAreEscaped) {
  const std::string body = only(
      [](kwv::Card& c) {
        kwv::Address home;
        home.street = "1 Main St; Apt 2";
        return c.tel("1", {Tel::Home, Tel::Cell}) && c.tel("2") && c.tel("3", {Tel::Work}) &&
               c.address(home, {Adr::Home}) && c.address(home) && c.org({"Acme; Inc.", "R;D"}) &&
               c.name({"Doe\\", "Jane"}) == false && c.name({"Doe", "Jane\\"});
      },
      true);
  EXPECT_EQ(body,
            "TEL;CELL;HOME:1\r\nTEL:2\r\nTEL;WORK:3\r\n"
            "ADR;CHARSET=UTF-8;HOME:;;1 Main St\\; Apt 2;;;;\r\n"
            "ADR;CHARSET=UTF-8:;;1 Main St\\; Apt 2;;;;\r\n"
            "ORG;CHARSET=UTF-8:Acme\\; Inc.;R\\;D\r\n"
            "N;CHARSET=UTF-8:Doe;Jane\\\r\n");
}

TEST_F(CppInterfaceTest, MediaThatCouldEndTheProcessIsRefused) {
  ASSERT_EQ(mkfifo(path("fifo.jpg").c_str(), 0600), 0);
  std::filesystem::create_directory(path("folder.jpg"));
  const std::string big = file("big.jpg", "");
  ASSERT_EQ(truncate(big.c_str(), 1610612734), 0);  // sparse: one byte over the limit
  for (const std::string name : {"fifo.jpg", "folder.jpg", "big.jpg"}) {
    EXPECT_EQ(only([&](kwv::Card& c) { return c.photo(path(name)); }, false), "") << name;
    EXPECT_EQ(only([&](kwv::Card& c) { return c.sound(path(name), "WAVE"); }, false), "") << name;
  }
  EXPECT_EQ(only([](kwv::Card& c) { return c.photo("/dev/zero", "JPEG"); }, false), "");
}

TEST_F(CppInterfaceTest, OpenAndCloseReportTheCardsState) {
  kwv::Card nowhere(path("missing/card.vcf"));
  EXPECT_FALSE(nowhere.ok());
  EXPECT_FALSE(nowhere.title("t") || nowhere.birthday(2000, 1, 1) || nowhere.close());
  kwv::Card nul(std::string_view("card\0.vcf", 9));
  EXPECT_FALSE(nul.ok());

  kwv::Card card(path("card2.vcf"));
  EXPECT_TRUE(card.ok());
  EXPECT_TRUE(card.close());
  EXPECT_FALSE(card.close() || card.title("late") || card.birthday(2000, 1, 1));
  EXPECT_TRUE(card.ok());
  EXPECT_EQ(read_file(path("card2.vcf")), framed(""));
  {
    kwv::Card destroyed(path("card3.vcf"));
    destroyed.note("n");
  }
  EXPECT_EQ(read_file(path("card3.vcf")), framed("NOTE;CHARSET=UTF-8:n\r\n"));
}

TEST_F(CppInterfaceTest, TextOperationsAllocateNothing) {
#ifdef KWV_NO_ALLOCATION_COUNT
  GTEST_SKIP() << "allocations are not counted under ThreadSanitizer";
#endif
  kwv::Card card(path("alloc.vcf"));
  const std::string value = "Example";
  kwv::Address a;
  a.street = value;
  const long before = g_allocations;
  for (const char* charset : {"UTF-8", "GB2312"}) {
    EXPECT_TRUE(card.charset(charset) && card.language("zh-CN") && card.title(value) &&
                card.note(value) && card.email(value) && card.name({value, "Jane"}) &&
                card.org({value}) && card.address(a, {Adr::Home}) && card.tel("1", {Tel::Cell}) &&
                card.birthday(2000, 1, 2) && card.photo_url("http://x") && card.nickname(value));
  }
  EXPECT_EQ(g_allocations - before, 0);
}

}  // namespace
