// Reads vCard files with KDE KContacts (VCardConverter) and prints, one line
// each in UTF-8, every text of every contact it understood:
//
//   kcontacts_read CARD...
//
//   N.family=<family name>
//   ADR[;TYPE...].street=<street>
//   TEL;TYPE...=<number>
//   EMAIL=<address>
//   PHOTO.sha256=<hex digest of the inline picture's bytes>
//
// In a value a backslash is printed "\\", a carriage return "\r" and a line
// feed "\n", so each value stays on its line. Types are printed in a fixed
// order, so the output can be compared as text.
// The middle name, prefix, suffix, birthday, an address's PO box and
// extended address, and the photo are printed only when the contact has them.
#include <KContacts/VCardConverter>
#include <QCryptographicHash>
#include <QFile>
#include <QTextStream>

namespace {

// ";NAME" for each flag of `names` set in `type`, in the order of `names`.
template <typename Flag, std::size_t N>
QString type_list(int type, const std::pair<Flag, const char*> (&names)[N]) {
  QString out;
  for (const auto& [flag, name] : names) {
    if (type & flag) out += QStringLiteral(";") + QLatin1String(name);
  }
  return out;
}

using A = KContacts::Address;
const std::pair<A::TypeFlag, const char*> kAddressTypes[] = {
    {A::Dom, "DOM"},       {A::Intl, "INTL"}, {A::Postal, "POSTAL"},
    {A::Parcel, "PARCEL"}, {A::Home, "HOME"}, {A::Work, "WORK"}};

using P = KContacts::PhoneNumber;
const std::pair<P::TypeFlag, const char*> kPhoneTypes[] = {
    {P::Pref, "PREF"}, {P::Voice, "VOICE"}, {P::Fax, "FAX"},     {P::Msg, "MSG"},
    {P::Cell, "CELL"}, {P::Pager, "PAGER"}, {P::Bbs, "BBS"},     {P::Modem, "MODEM"},
    {P::Car, "CAR"},   {P::Isdn, "ISDN"},   {P::Video, "VIDEO"}, {P::Work, "WORK"},
    {P::Home, "HOME"}};

}  // namespace

int main(int argc, char** argv) {
  QTextStream out(stdout);
  out.setCodec("UTF-8");
  for (int i = 1; i < argc; ++i) {
    QFile file(QString::fromLocal8Bit(argv[i]));
    if (!file.open(QIODevice::ReadOnly)) {
      QTextStream(stderr) << "cannot read " << argv[i] << "\n";
      return 2;
    }
    const KContacts::Addressee::List contacts =
        KContacts::VCardConverter().parseVCards(file.readAll());
    for (const KContacts::Addressee& c : contacts) {
      const auto print = [&out](const QString& name, QString value) {
        value.replace(QLatin1Char('\\'), QLatin1String("\\\\"))
            .replace(QLatin1Char('\r'), QLatin1String("\\r"))
            .replace(QLatin1Char('\n'), QLatin1String("\\n"));
        out << name << "=" << value << "\n";
      };
      print("N.family", c.familyName());
      print("N.given", c.givenName());
      print("ORG", c.organization());
      print("ORG.department", c.department());
      print("TITLE", c.title());
      print("NOTE", c.note());
      const std::pair<const char*, QString> optional[] = {
          {"N.additional", c.additionalName()},
          {"N.prefix", c.prefix()},
          {"N.suffix", c.suffix()},
          {"BDAY", c.birthday().date().toString(Qt::ISODate)}};
      for (const auto& [name, value] : optional) {
        if (!value.isEmpty()) print(name, value);
      }
      for (const KContacts::Address& a : c.addresses()) {
        const QString adr = "ADR" + type_list(a.type(), kAddressTypes);
        if (!a.postOfficeBox().isEmpty()) print(adr + ".pobox", a.postOfficeBox());
        if (!a.extended().isEmpty()) print(adr + ".extended", a.extended());
        print(adr + ".street", a.street());
        print(adr + ".locality", a.locality());
        print(adr + ".region", a.region());
        print(adr + ".postalcode", a.postalCode());
        print(adr + ".country", a.country());
      }
      for (const KContacts::PhoneNumber& p : c.phoneNumbers()) {
        print("TEL" + type_list(p.type(), kPhoneTypes), p.number());
      }
      for (const QString& email : c.emails()) print("EMAIL", email);
      if (c.photo().isIntern() && !c.photo().rawData().isEmpty()) {
        out << "PHOTO.type=" << c.photo().type() << "\n"
            << "PHOTO.sha256="
            << QCryptographicHash::hash(c.photo().rawData(), QCryptographicHash::Sha256).toHex()
            << "\n";
      }
    }
  }
  return 0;
}
