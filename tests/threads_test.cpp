// Separate cards are independent: cards written by eight threads at once are
// byte for byte the cards written one after another on one thread.
#include <thread>
#include <vector>

#include "test_support.h"

namespace {

using ThreadsTest = kwvtest::CardTest;

// Card `i`: its charset (GB2312 among them), types and texts follow from `i`;
// every card has the inline photo.
void write_card(std::string path, int i, std::string photo) {
  const char* const charsets[] = {"UTF-8", "GB2312", "ASCII", "gb2312-80"};
  const char* const tel_types[] = {"cell", "fax", "home", "pref", "voip"};
  std::string charset = charsets[i % 4], tel_type = tel_types[i % 5], addr_type = "home";
  std::string n = std::to_string(i), count = "3", type = "png";
  std::string family = "\xE5\xBC\xA0" + n, given = "\xE4\xB8\x89";  // 张, 三
  std::string street = "\xE5\x8C\x97\xE4\xBA\xAC " + n;             // 北京
  KwvCard card(path.data());
  card.QEL_ChangeCharSet(charset.data());
  card.QEL_SetTelType(tel_type.data());
  if (i % 2) card.QEL_SetAddressType(addr_type.data());
  card.QEL_AddName(count.data(), family.data(), given.data(), n.data());
  card.QEL_AddTel(n.data());
  card.QEL_AddAddress(count.data(), street.data(), n.data(), given.data());
  card.QEL_AddComment(street.data());
  card.QEL_AttachPhoto(photo.data(), type.data());
  card.QEL_EndPacking();
}

TEST_F(ThreadsTest, CardsWrittenAtOnceEqualCardsWrittenAlone) {
  constexpr int kThreads = 8, kCards = 50;
  std::string bytes(3000, '\0');
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 7919 % 251);
  const std::string photo = file("photo.png", bytes);
  const auto name = [&](const char* kind, int i) { return path(kind + std::to_string(i)); };
  for (int i = 0; i < kThreads * kCards; ++i) write_card(name("alone", i), i, photo);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      for (int i = t * kCards; i < (t + 1) * kCards; ++i) write_card(name("at-once", i), i, photo);
    });
  }
  for (std::thread& t : threads) t.join();
  for (int i = 0; i < kThreads * kCards; ++i) {
    const std::string alone = kwvtest::read_file(name("alone", i));
    ASSERT_GT(alone.size(), 4000u) << i;  // the photo alone is 4000 base64 characters
    ASSERT_EQ(kwvtest::read_file(name("at-once", i)), alone) << i;
  }
}

}  // namespace
