// Reads vCard files with ez-vcard and prints, one line each in UTF-8, every
// text of every card it understood, in kcontacts_read's format and order:
//
//   java -cp build/interop-ezvcard:ez-vcard.jar:vinnie.jar EzVcardRead CARD...
//
//   N.family=<family name>
//   ADR[;TYPE...].street=<street>
//   TEL;TYPE...=<number>
//   EMAIL=<address>
//   PHOTO.sha256=<hex digest of the inline picture's bytes>
//   X-NAME=<value of a property ez-vcard does not know>
//
// In a value a backslash is printed "\\", a carriage return "\r" and a line
// feed "\n", so each value stays on its line. Types are printed in a fixed
// order. The middle name, prefix, suffix, birthday, an address's PO box and
// extended address, and the photo are printed only when the card has them.
// Each warning ez-vcard gives while reading is printed as "WARNING=<text>".
// Exits with status 2 when a file cannot be read.
import ezvcard.VCard;
import ezvcard.io.text.VCardReader;
import ezvcard.parameter.AddressType;
import ezvcard.parameter.TelephoneType;
import ezvcard.property.Address;
import ezvcard.property.Birthday;
import ezvcard.property.Email;
import ezvcard.property.Photo;
import ezvcard.property.RawProperty;
import ezvcard.property.StructuredName;
import ezvcard.property.Telephone;
import java.io.FileInputStream;
import java.io.IOException;
import java.io.InputStreamReader;
import java.io.PrintStream;
import java.nio.charset.StandardCharsets;
import java.security.MessageDigest;
import java.security.NoSuchAlgorithmException;
import java.text.SimpleDateFormat;
import java.util.List;

public final class EzVcardRead {
  private EzVcardRead() {}

  private static final PrintStream OUT = new PrintStream(System.out, true, StandardCharsets.UTF_8);

  private static final AddressType[] ADDRESS_TYPES = {
    AddressType.DOM, AddressType.INTL, AddressType.POSTAL,
    AddressType.PARCEL, AddressType.HOME, AddressType.WORK
  };
  private static final TelephoneType[] PHONE_TYPES = {
    TelephoneType.PREF, TelephoneType.VOICE, TelephoneType.FAX, TelephoneType.MSG,
    TelephoneType.CELL, TelephoneType.PAGER, TelephoneType.BBS, TelephoneType.MODEM,
    TelephoneType.CAR, TelephoneType.ISDN, TelephoneType.VIDEO, TelephoneType.WORK,
    TelephoneType.HOME
  };

  private static void print(String name, String value) {
    String text = value == null ? "" : value;
    OUT.println(name + "=" + text.replace("\\", "\\\\").replace("\r", "\\r").replace("\n", "\\n"));
  }

  // The first of a component's values, or "" when it has none.
  private static String first(List<String> values) {
    return values.isEmpty() ? "" : values.get(0);
  }

  private static void printCard(VCard card) throws NoSuchAlgorithmException {
    StructuredName n =
        card.getStructuredName() == null ? new StructuredName() : card.getStructuredName();
    List<String> org =
        card.getOrganization() == null ? List.of() : card.getOrganization().getValues();
    print("N.family", n.getFamily());
    print("N.given", n.getGiven());
    print("ORG", org.size() > 0 ? org.get(0) : "");
    print("ORG.department", org.size() > 1 ? org.get(1) : "");
    print("TITLE", card.getTitles().isEmpty() ? "" : card.getTitles().get(0).getValue());
    print("NOTE", card.getNotes().isEmpty() ? "" : card.getNotes().get(0).getValue());
    Birthday bday = card.getBirthday();
    String[][] optional = {
      {"N.additional", String.join(",", n.getAdditionalNames())},
      {"N.prefix", String.join(",", n.getPrefixes())},
      {"N.suffix", String.join(",", n.getSuffixes())},
      {"BDAY", bday == null ? "" : bday.getDate() != null
          ? new SimpleDateFormat("yyyy-MM-dd").format(bday.getDate()) : bday.getText()}
    };
    for (String[] field : optional) {
      if (field[1] != null && !field[1].isEmpty()) print(field[0], field[1]);
    }
    for (Address a : card.getAddresses()) {
      StringBuilder adr = new StringBuilder("ADR");
      for (AddressType t : ADDRESS_TYPES) {
        if (a.getTypes().contains(t)) adr.append(';').append(t.getValue().toUpperCase());
      }
      if (!a.getPoBoxes().isEmpty()) print(adr + ".pobox", String.join(",", a.getPoBoxes()));
      if (!a.getExtendedAddresses().isEmpty()) print(adr + ".extended", a.getExtendedAddressFull());
      print(adr + ".street", a.getStreetAddressFull());
      print(adr + ".locality", String.join(",", a.getLocalities()));
      print(adr + ".region", String.join(",", a.getRegions()));
      print(adr + ".postalcode", String.join(",", a.getPostalCodes()));
      print(adr + ".country", String.join(",", a.getCountries()));
    }
    for (Telephone tel : card.getTelephoneNumbers()) {
      StringBuilder name = new StringBuilder("TEL");
      for (TelephoneType t : PHONE_TYPES) {
        if (tel.getTypes().contains(t)) name.append(';').append(t.getValue().toUpperCase());
      }
      print(name.toString(), tel.getText());
    }
    for (Email email : card.getEmails()) print("EMAIL", email.getValue());
    for (Photo photo : card.getPhotos()) {
      if (photo.getData() == null) continue;
      StringBuilder hex = new StringBuilder();
      for (byte b : MessageDigest.getInstance("SHA-256").digest(photo.getData())) {
        hex.append(String.format("%02x", b));
      }
      // ez-vcard names the type in lower case ("jpeg"); the card and KContacts say "JPEG".
      String type = photo.getContentType() == null ? "" : photo.getContentType().getValue();
      print("PHOTO.type", type.toUpperCase());
      print("PHOTO.sha256", hex.toString());
    }
    for (RawProperty x : card.getExtendedProperties()) print(x.getPropertyName(), x.getValue());
  }

  public static void main(String[] args) throws NoSuchAlgorithmException {
    for (String path : args) {
      try (VCardReader reader = new VCardReader(
          new InputStreamReader(new FileInputStream(path), StandardCharsets.UTF_8))) {
        for (VCard card = reader.readNext(); card != null; card = reader.readNext()) {
          printCard(card);
          reader.getWarnings().forEach(w -> print("WARNING", w.toString()));
        }
      } catch (IOException e) {
        System.err.println("EzVcardRead: cannot read " + path + ": " + e.getMessage());
        System.exit(2);
      }
    }
  }
}
