// The peer in the vCard import benchmark: converts a vCard file (2.1, 3.0 or
// 4.0) into one file of vCard 2.1 cards with ez-vcard, card by card, as
// `kwvcard import IN --out OUT` does.
//
// usage: java -cp ezvcard_convert.jar:ez-vcard.jar:vinnie.jar EzVcardConvert IN OUT
//
// Prints the number of cards written on standard output; exits with status 2
// on a usage error or when the input cannot be read or the output written.
import ezvcard.VCard;
import ezvcard.VCardVersion;
import ezvcard.io.text.VCardReader;
import ezvcard.io.text.VCardWriter;
import java.io.IOException;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Paths;

public final class EzVcardConvert {
  private EzVcardConvert() {}

  public static void main(String[] args) {
    if (args.length != 2) {
      System.err.println("usage: EzVcardConvert IN OUT");
      System.exit(2);
    }
    long cards = 0;
    try (VCardReader reader =
            new VCardReader(Files.newBufferedReader(Paths.get(args[0]), StandardCharsets.UTF_8));
        VCardWriter writer =
            new VCardWriter(
                Files.newBufferedWriter(Paths.get(args[1]), StandardCharsets.UTF_8),
                VCardVersion.V2_1)) {
      writer.setAddProdId(false); // kwvcard writes no PRODID either
      for (VCard card = reader.readNext(); card != null; card = reader.readNext()) {
        writer.write(card);
        ++cards;
      }
    } catch (IOException e) {
      System.err.println("EzVcardConvert: " + e.getMessage());
      System.exit(2);
    }
    System.out.println(cards);
  }
}
