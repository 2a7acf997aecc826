// Thunderbird's address book exported as CSV: its columns in English with
// what each becomes, and its header row in other languages.
#include "columns/vocabularies/vocabulary.h"

namespace kwvcard {
namespace {

// Thunderbird, English: Roundcube's program/localization/en_US/csv2vcard.inc,
// its Thunderbird part, with the headers Thunderbird shares with Outlook's
// export (First Name, Last Name, Home Phone, Home City, Home State, Job
// Title, Department, Notes) and with Atmail's (Work City, Work State).
const Rule kThunderbird[] = {
    {"First Name", Prop::Name, 1},
    {"Last Name", Prop::Name, 0},
    {"Display Name", Prop::Name, kWholeName},
    {"Nickname", Prop::Nickname},
    {"Primary Email", Prop::Email},
    {"Secondary Email", Prop::Email},
    {"Work Phone", Prop::Tel, 0, "WORK"},
    {"Home Phone", Prop::Tel, 0, "HOME"},
    {"Fax Number", Prop::Tel, 0, "FAX"},
    {"Pager Number", Prop::Tel, 0, "PAGER"},
    {"Mobile Number", Prop::Tel, 0, "CELL"},
    {"Home Address", Prop::Address, 2, "HOME", 1},
    {"Home City", Prop::Address, 3, "HOME", 1},
    {"Home State", Prop::Address, 4, "HOME", 1},
    {"Home ZipCode", Prop::Address, 5, "HOME", 1},
    {"Home Country", Prop::Address, 6, "HOME", 1},
    {"Work Address", Prop::Address, 2, "WORK", 0},
    {"Work City", Prop::Address, 3, "WORK", 0},
    {"Work State", Prop::Address, 4, "WORK", 0},
    {"Work ZipCode", Prop::Address, 5, "WORK", 0},
    {"Work Country", Prop::Address, 6, "WORK", 0},
    {"Job Title", Prop::Title},
    {"Department", Prop::Department},
    {"Organization", Prop::Org},
    {"Web Page 1", Prop::Url},
    {"Web Page 2", Prop::Url},
    {"Birth Year", Prop::Birthday, kBirthYear},
    {"Birth Month", Prop::Birthday, kBirthMonth},
    {"Birth Day", Prop::Birthday, kBirthDay},
    {"Notes", Prop::Note},
};

// The export in other languages, each header with the English one it stands
// for: Roundcube's program/localization/<lang>/csv2vcard.inc, its Thunderbird
// part and its words for the headers shared with Outlook.

// de_DE.
const Translation kGerman[] = {
    {"Vorname", "First Name"},
    {"Nachname", "Last Name"},
    {"Anzeigename", "Display Name"},
    {"Spitzname", "Nickname"},
    {"Primäre E-Mail-Adresse", "Primary Email"},
    {"Sekundäre E-Mail-Adresse", "Secondary Email"},
    {"Tel. dienstlich", "Work Phone"},
    {"Telefon privat", "Home Phone"},
    {"Fax-Nummer", "Fax Number"},
    {"Pager-Nummer", "Pager Number"},
    {"Mobil-Tel.-Nr.", "Mobile Number"},
    {"Privat: Adresse", "Home Address"},
    {"Ort privat", "Home City"},
    {"Land privat", "Home State"},
    {"Privat: PLZ", "Home ZipCode"},
    {"Privat: Land", "Home Country"},
    {"Dienstlich: Adresse", "Work Address"},
    {"Work City", "Work City"},
    {"Work State", "Work State"},
    {"Dienstlich: PLZ", "Work ZipCode"},
    {"Dienstlich: Land", "Work Country"},
    {"Position", "Job Title"},
    {"Abteilung", "Department"},
    {"Organisation", "Organization"},
    {"Webseite 1", "Web Page 1"},
    {"Webseite 2", "Web Page 2"},
    {"Geburtsjahr", "Birth Year"},
    {"Geburtsmonat", "Birth Month"},
    {"Geburtstag", "Birth Day"},
    {"Notizen", "Notes"},
};

// zh_CN.
const Translation kChineseSimplified[] = {
    {"名字", "First Name"},         {"姓氏", "Last Name"},         {"显示名称", "Display Name"},
    {"昵称", "Nickname"},           {"主要邮箱", "Primary Email"}, {"备用邮箱", "Secondary Email"},
    {"工作电话", "Work Phone"},     {"家庭电话", "Home Phone"},    {"传真号码", "Fax Number"},
    {"传呼机号码", "Pager Number"}, {"手机号码", "Mobile Number"}, {"家庭地址", "Home Address"},
    {"家庭城市", "Home City"},      {"家庭省份", "Home State"},    {"家庭邮编", "Home ZipCode"},
    {"家庭国家", "Home Country"},   {"工作地址", "Work Address"},  {"工作城市", "Work City"},
    {"工作省份", "Work State"},     {"工作邮编", "Work ZipCode"},  {"工作国家", "Work Country"},
    {"职位", "Job Title"},          {"部门", "Department"},        {"组织", "Organization"},
    {"网页1", "Web Page 1"},        {"网页2", "Web Page 2"},       {"出生年份", "Birth Year"},
    {"出生月份", "Birth Month"},    {"出生日期", "Birth Day"},     {"备注", "Notes"},
};

// zh_TW.
const Translation kChineseTraditional[] = {
    {"名", "First Name"},
    {"姓", "Last Name"},
    {"顯示名稱", "Display Name"},
    {"暱稱", "Nickname"},
    {"主要 Email", "Primary Email"},
    {"次要 Email", "Secondary Email"},
    {"商務電話", "Work Phone"},
    {"住家電話", "Home Phone"},
    {"傳真號碼", "Fax Number"},
    {"呼叫器號碼", "Pager Number"},
    {"手機號碼", "Mobile Number"},
    {"住家住址", "Home Address"},
    {"居住市鎮", "Home City"},
    {"居住縣市", "Home State"},
    {"住址郵遞區號", "Home ZipCode"},
    {"居住國家", "Home Country"},
    {"商務地址", "Work Address"},
    {"商務市鎮", "Work City"},
    {"商務縣市", "Work State"},
    {"商務郵遞區號", "Work ZipCode"},
    {"商務國家", "Work Country"},
    {"職稱", "Job Title"},
    {"部門", "Department"},
    {"Organization", "Organization"},
    {"網頁 1", "Web Page 1"},
    {"網頁 2", "Web Page 2"},
    {"生日 (年)", "Birth Year"},
    {"生日 (月)", "Birth Month"},
    {"生日 (日)", "Birth Day"},
    {"記事", "Notes"},
};

// fr_FR (its "Région" and "Code postal" stand for a home and a work column
// both, and are left out).
const Translation kFrench[] = {
    {"Prénom", "First Name"},
    {"Nom", "Last Name"},
    {"Nom à afficher", "Display Name"},
    {"Surnom", "Nickname"},
    {"Adresse électronique principale", "Primary Email"},
    {"Adresse électronique secondaire", "Secondary Email"},
    {"Tél. professionnel", "Work Phone"},
    {"Téléphone (domicile)", "Home Phone"},
    {"Fax", "Fax Number"},
    {"Pager", "Pager Number"},
    {"Portable", "Mobile Number"},
    {"Adresse privée", "Home Address"},
    {"Ville (domicile)", "Home City"},
    {"Dép/Région (domicile)", "Home State"},
    {"Adresse professionnelle", "Work Address"},
    {"Profession", "Job Title"},
    {"Service", "Department"},
    {"Société", "Organization"},
    {"Site Web 1", "Web Page 1"},
    {"Site Web 2", "Web Page 2"},
    {"Année de naissance", "Birth Year"},
    {"Mois", "Birth Month"},
    {"Jour", "Birth Day"},
    {"Notes", "Notes"},
};

// es_ES.
const Translation kSpanish[] = {
    {"Nombre", "First Name"},
    {"Apellidos", "Last Name"},
    {"Nombre en pantalla", "Display Name"},
    {"Apodo", "Nickname"},
    {"Dirección de correo electrónico principal", "Primary Email"},
    {"Dirección de correo electrónico secundaria", "Secondary Email"},
    {"Teléfono (Trabajo)", "Work Phone"},
    {"Particular", "Home Phone"},
    {"Fax", "Fax Number"},
    {"Buscapersonas", "Pager Number"},
    {"Teléfono móvil", "Mobile Number"},
    {"Dirección personal", "Home Address"},
    {"Código postal", "Home ZipCode"},
    {"País de residencia", "Home Country"},
    {"Dirección de trabajo", "Work Address"},
    {"Work City", "Work City"},
    {"Work State", "Work State"},
    {"Código postal (Trabajo)", "Work ZipCode"},
    {"País (Trabajo)", "Work Country"},
    {"Puesto", "Job Title"},
    {"Organización", "Organization"},
    {"Página web 1", "Web Page 1"},
    {"Página web 2", "Web Page 2"},
    {"Año de nacimiento", "Birth Year"},
    {"Mes de nacimiento", "Birth Month"},
    {"Día de nacimiento", "Birth Day"},
    {"Notes", "Notes"},
};

// it_IT.
const Translation kItalian[] = {
    {"Nome", "First Name"},
    {"Cognome", "Last Name"},
    {"Nome visualizzato", "Display Name"},
    {"Soprannome", "Nickname"},
    {"Email principale", "Primary Email"},
    {"Email secondaria", "Secondary Email"},
    {"Telefono lavoro", "Work Phone"},
    {"Telefono di casa", "Home Phone"},
    {"Numero fax", "Fax Number"},
    {"Numero Pager", "Pager Number"},
    {"Numero cellulare", "Mobile Number"},
    {"Indirizzo di casa 2", "Home Address"},
    {"Città di residenza", "Home City"},
    {"Provincia di residenza", "Home State"},
    {"CAP di residenza", "Home ZipCode"},
    {"Nazione di residenza", "Home Country"},
    {"Indirizzo di lavoro 2", "Work Address"},
    {"Città di Lavoro", "Work City"},
    {"Nazione/Regione di lavoro", "Work State"},
    {"CAP di lavoro", "Work ZipCode"},
    {"Nazione di lavoro", "Work Country"},
    {"Qualifica", "Job Title"},
    {"Reparto", "Department"},
    {"Organizzazione", "Organization"},
    {"Pagina web 1", "Web Page 1"},
    {"Pagina web 2", "Web Page 2"},
    {"Anno di nascita", "Birth Year"},
    {"Mese di nascita", "Birth Month"},
    {"Giorno di nascita", "Birth Day"},
    {"Note", "Notes"},
};

// pt_BR.
const Translation kPortuguese[] = {
    {"Primeiro nome", "First Name"},
    {"Último nome", "Last Name"},
    {"Mostrar nome", "Display Name"},
    {"Apelido", "Nickname"},
    {"E-mail primário", "Primary Email"},
    {"E-mail secundário", "Secondary Email"},
    {"Fone de trabalho", "Work Phone"},
    {"Fone de casa", "Home Phone"},
    {"Número de Fax", "Fax Number"},
    {"Número do Pager", "Pager Number"},
    {"Celular", "Mobile Number"},
    {"Endereço de casa", "Home Address"},
    {"Cidade de casa", "Home City"},
    {"Estado de casa", "Home State"},
    {"CEP de casa", "Home ZipCode"},
    {"País de casa", "Home Country"},
    {"Endereço de trabalho", "Work Address"},
    {"Cidade de trabalho", "Work City"},
    {"Estado", "Work State"},
    {"CEP de trabalho", "Work ZipCode"},
    {"País de trabalho", "Work Country"},
    {"Cargo", "Job Title"},
    {"Departamento", "Department"},
    {"Organização", "Organization"},
    {"Web Page 1", "Web Page 1"},
    {"Web Page 2", "Web Page 2"},
    {"Ano de nascimento", "Birth Year"},
    {"Mês de nascimento", "Birth Month"},
    {"Dia de nascimento", "Birth Day"},
    {"Notas", "Notes"},
};

// ru_RU.
const Translation kRussian[] = {
    {"Имя", "First Name"},
    {"Фамилия", "Last Name"},
    {"Отображаемое имя", "Display Name"},
    {"Псевдоним", "Nickname"},
    {"Адрес электронной почты", "Primary Email"},
    {"Альтернативный адрес электронной почты", "Secondary Email"},
    {"Рабочий телефон", "Work Phone"},
    {"Номер факса", "Fax Number"},
    {"Номер пейджера", "Pager Number"},
    {"Номер сотового телефона", "Mobile Number"},
    {"Адрес", "Home Address"},
    {"Город", "Home City"},
    {"Штат", "Home State"},
    {"Почтовый индекс", "Home ZipCode"},
    {"Страна", "Home Country"},
    {"Адрес (раб.)", "Work Address"},
    {"Город (раб.)", "Work City"},
    {"Почтовый индекс (раб.)", "Work ZipCode"},
    {"Страна (раб.)", "Work Country"},
    {"Организация", "Organization"},
    {"Веб-страница 1", "Web Page 1"},
    {"Веб-страница 2", "Web Page 2"},
    {"Год рождения", "Birth Year"},
    {"Месяц рождения", "Birth Month"},
    {"День рождения", "Birth Day"},
    {"Заметки", "Notes"},
};

// pl_PL (Roundcube lists no Thunderbird part for Polish; these are its Polish
// words for the headers Thunderbird shares with Outlook, and the nickname).
const Translation kPolish[] = {
    {"Imię", "First Name"},           {"Nazwisko", "Last Name"},     {"Przydomek", "Nickname"},
    {"Telefon domowy", "Home Phone"}, {"Miasto (dom)", "Home City"}, {"Stanowisko", "Job Title"},
    {"Oddział", "Department"},        {"Notatki", "Notes"},
};

}  // namespace

std::vector<Vocabulary> thunderbird_vocabularies() {
  const Dates d = Dates::YearMonthDay;  // the three birth columns
  return {
      vocabulary("Thunderbird", d, kThunderbird),
      translated("Thunderbird (German)", d, kThunderbird, kGerman),
      translated("Thunderbird (Chinese, simplified)", d, kThunderbird, kChineseSimplified),
      translated("Thunderbird (Chinese, traditional)", d, kThunderbird, kChineseTraditional),
      translated("Thunderbird (French)", d, kThunderbird, kFrench),
      translated("Thunderbird (Spanish)", d, kThunderbird, kSpanish),
      translated("Thunderbird (Italian)", d, kThunderbird, kItalian),
      translated("Thunderbird (Portuguese)", d, kThunderbird, kPortuguese),
      translated("Thunderbird (Russian)", d, kThunderbird, kRussian),
      translated("Thunderbird (Polish)", d, kThunderbird, kPolish),
  };
}

}  // namespace kwvcard
