// The contact lists people write themselves (a company's phone list kept in
// Excel, a sheet of names and numbers): the words their header rows use, and
// what each becomes. A telephone column's words give its types. A numbered
// repeat ("手机2", "Phone 2") means what its word means (the matcher).
#include "columns/vocabularies/vocabulary.h"

namespace kwvcard {
namespace {

// Their address goes to a card's third address, with no types.
constexpr int kSheetAddress = 2;

// English: the headers CSV-to-vCard converters accept for hand-made lists, as
// collected for this import (no one published table lists them all).
const Rule kEnglish[] = {
    {"Name", Prop::Name, kWholeName},
    {"Full Name", Prop::Name, kWholeName},
    {"Display Name", Prop::Name, kWholeName},
    {"First Name", Prop::Name, 1},
    {"Given Name", Prop::Name, 1},
    {"Last Name", Prop::Name, 0},
    {"Family Name", Prop::Name, 0},
    {"Surname", Prop::Name, 0},
    {"Mobile", Prop::Tel, 0, "CELL"},
    {"Cell", Prop::Tel, 0, "CELL"},
    {"Phone", Prop::Tel, 0, "VOICE"},
    {"Telephone", Prop::Tel, 0, "VOICE"},
    {"Work Phone", Prop::Tel, 0, "WORK"},
    {"Office Phone", Prop::Tel, 0, "WORK"},
    {"Business Phone", Prop::Tel, 0, "WORK"},
    {"Home Phone", Prop::Tel, 0, "HOME"},
    {"Fax", Prop::Tel, 0, "FAX"},
    {"Company", Prop::Org},
    {"Organization", Prop::Org},
    {"Department", Prop::Department},
    {"Title", Prop::Title},
    {"Job Title", Prop::Title},
    {"Position", Prop::Title},
    {"Email", Prop::Email},
    {"E-mail", Prop::Email},
    {"Address", Prop::Address, 2, "", kSheetAddress},
    {"Street", Prop::Address, 2, "", kSheetAddress},
    {"City", Prop::Address, 3, "", kSheetAddress},
    {"State", Prop::Address, 4, "", kSheetAddress},
    {"Province", Prop::Address, 4, "", kSheetAddress},
    {"Zip", Prop::Address, 5, "", kSheetAddress},
    {"Postal Code", Prop::Address, 5, "", kSheetAddress},
    {"Country", Prop::Address, 6, "", kSheetAddress},
    {"Website", Prop::Url},
    {"URL", Prop::Url},
    {"Birthday", Prop::Birthday},
    {"DOB", Prop::Birthday},
    {"Notes", Prop::Note},
    {"Comments", Prop::Note},
    {"Nickname", Prop::Nickname},
};

// Chinese: the words converters of Chinese contact lists (通讯录) accept, as
// collected for this import (no one published table lists them all).
const Rule kChinese[] = {
    {"姓名", Prop::Name, kWholeName},
    {"名字", Prop::Name, kWholeName},
    {"联系人", Prop::Name, kWholeName},
    {"手机", Prop::Tel, 0, "CELL"},
    {"手机号", Prop::Tel, 0, "CELL"},
    {"手机号码", Prop::Tel, 0, "CELL"},
    {"移动电话", Prop::Tel, 0, "CELL"},
    {"电话", Prop::Tel, 0, "VOICE"},
    {"联系电话", Prop::Tel, 0, "VOICE"},
    {"办公电话", Prop::Tel, 0, "WORK"},
    {"公司电话", Prop::Tel, 0, "WORK"},
    {"工作电话", Prop::Tel, 0, "WORK"},
    {"住宅电话", Prop::Tel, 0, "HOME"},
    {"家庭电话", Prop::Tel, 0, "HOME"},
    {"传真", Prop::Tel, 0, "FAX"},
    {"单位", Prop::Org},
    {"公司", Prop::Org},
    {"组织", Prop::Org},
    {"机构", Prop::Org},
    {"部门", Prop::Department},
    {"职务", Prop::Title},
    {"职位", Prop::Title},
    {"邮箱", Prop::Email},
    {"电子邮件", Prop::Email},
    {"电子邮箱", Prop::Email},
    {"地址", Prop::Address, 2, "", kSheetAddress},
    {"住址", Prop::Address, 2, "", kSheetAddress},
    {"备注", Prop::Note},
    {"说明", Prop::Note},
    {"生日", Prop::Birthday},
    {"网址", Prop::Url},
    {"QQ", Prop::Im},
    {"微信", Prop::Im},
};

// German: the words of Outlook's and Thunderbird's German exports that a
// hand-made list uses too (Roundcube's program/localization/de_DE/csv2vcard.inc).
const Rule kGerman[] = {
    {"Vorname", Prop::Name, 1},
    {"Nachname", Prop::Name, 0},
    {"Anzeigename", Prop::Name, kWholeName},
    {"Spitzname", Prop::Nickname},
    {"Mobiltelefon", Prop::Tel, 0, "CELL"},
    {"Telefon geschäftlich", Prop::Tel, 0, "WORK"},
    {"Telefon privat", Prop::Tel, 0, "HOME"},
    {"Firma", Prop::Org},
    {"Organisation", Prop::Org},
    {"Abteilung", Prop::Department},
    {"Position", Prop::Title},
    {"E-Mail-Adresse", Prop::Email},
    {"Webseite", Prop::Url},
    {"Geburtstag", Prop::Birthday},
    {"Notizen", Prop::Note},
};

}  // namespace

std::vector<Vocabulary> sheet_vocabularies() {
  return {
      vocabulary("a list (English)", Dates::Written, kEnglish),
      vocabulary("a list (Chinese)", Dates::Written, kChinese),
      vocabulary("a list (German)", Dates::Written, kGerman),
  };
}

}  // namespace kwvcard
