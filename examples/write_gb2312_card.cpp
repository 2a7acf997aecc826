// Writes a Chinese contact card in GB2312, the charset many phones and car kits
// sold in China expect.
//
//   write_gb2312_card [card-path]
//
// Default: contact-gb2312.vcf in the current directory. Text is given in UTF-8
// as always; with the charset GB2312 the card converts every line before it is
// written and marks text lines ;CHARSET=GB2312.
#include <iostream>
#include <string>

#include "KwvCard.h"

int main(int argc, char** argv) {
  std::string path = argc > 1 ? argv[1] : "contact-gb2312.vcf";

  // The API takes writable text (char*); keep the values in arrays.
  char gb2312[] = "GB2312", zh_cn[] = "zh-CN";
  char count2[] = "2", count7[] = "7";
  char family[] = "张", given[] = "三";
  char company[] = "北京示例科技有限公司", department[] = "研发部";
  char empty[] = "", street[] = "海淀区中关村大街1号", city[] = "北京", code[] = "100080",
       country[] = "中国";
  char title[] = "高级工程师";
  char note[] = "2026年联系人研讨会上认识";
  char phone[] = "+86-10-5555-0100", cell[] = "cell";

  KwvCard card(path.data());
  card.QEL_ChangeCharSet(gb2312);
  card.QEL_ChangeLang(zh_cn);
  if (card.QEL_AddName(count2, family, given) == 0) {
    std::cerr << "cannot write " << path << "\n";
    return 1;
  }
  card.QEL_AddOrg(count2, company, department);
  card.QEL_AddAddress(count7, empty, empty, street, city, empty, code, country);
  card.QEL_AddTitle(title);
  card.QEL_AddComment(note);
  card.QEL_SetTelType(cell);  // TEL;CELL;WORK
  card.QEL_AddTel(phone);
  card.QEL_EndPacking();

  std::cout << "wrote " << path << " (GB2312)\n";
  return 0;
}
