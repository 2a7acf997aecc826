"""kwvcard from the installed wheel: the exact bytes of its lines, GB2312 and
quoted-printable, what it refuses and why, and closing."""

import base64
import datetime

import pytest

import kwvcard

HEAD, TAIL = b"BEGIN:VCARD\r\nVERSION:2.1\r\n", b"END:VCARD\r\n"


def body(path):
    """The lines between the card's header and trailer, which frame it."""
    data = path.read_bytes()
    assert data.startswith(HEAD) and data.endswith(TAIL)
    return data[len(HEAD):-len(TAIL)]


def write(path, calls, **settings):
    with kwvcard.Card(path, **settings) as card:
        calls(card)
    return body(path)


PNG = b"\x89PNG\r\n\x1a\n" + bytes(range(100))
B64 = base64.b64encode(PNG)
FOLDED = b"\r\n    ".join(B64[i:i + 75] for i in range(0, len(B64), 75))  # 75 a line


@pytest.mark.parametrize("calls, lines", [
    (lambda c: c.name("Doe", "Jane"), b"N;CHARSET=UTF-8:Doe;Jane\r\n"),
    (lambda c: c.org("Acme; Inc.", b"R&D"), b"ORG;CHARSET=UTF-8:Acme\\; Inc.;R&D\r\n"),
    (lambda c: c.title(b"Engineer"), b"TITLE;CHARSET=UTF-8:Engineer\r\n"),
    (lambda c: c.tel("+1 555 0100", types={"CELL", "pref"}), b"TEL;PREF;CELL:+1 555 0100\r\n"),
    (lambda c: (c.tel("1", types="Home"), c.tel("2")), b"TEL;HOME:1\r\nTEL:2\r\n"),
    (lambda c: c.address(street="1 Main St", city="Springfield", types={"home"}),
     b"ADR;CHARSET=UTF-8;HOME:;;1 Main St;Springfield;;;\r\n"),
    (lambda c: c.birthday(datetime.date(1980, 3, 7)), b"BDAY:1980-03-07\r\n"),
    (lambda c: c.anniversary(datetime.date(2005, 6, 1)),
     b"X-ZEB-ANNIVERSARY;CHARSET=UTF-8:2005-06-01\r\n"),
    (lambda c: c.email("jane@example.org"), b"EMAIL;CHARSET=UTF-8;INTERNET:jane@example.org\r\n"),
    (lambda c: (c.language("de"), c.nickname("\u00e9")),
     "X-ZEB-NICKNAME;CHARSET=UTF-8;LANGUAGE=de:\u00e9\r\n".encode()),
])
def test_each_call_writes_its_line(tmp_path, calls, lines):
    assert write(tmp_path / "c.vcf", calls) == lines


def test_photo_is_inline_base64_folded_at_75(tmp_path):
    (tmp_path / "face.png").write_bytes(PNG)
    lines = write(tmp_path / "c.vcf", lambda c: c.photo(tmp_path / "face.png"))
    assert lines == b"PHOTO;ENCODING=BASE64;TYPE=PNG:" + FOLDED + b"\r\n"


def test_gb2312_quoted_printable_and_replaced(tmp_path):
    replaced = []

    def calls(card):
        card.title("\u4e2d\u6587\u20ac")  # the euro sign is not in GB2312
        replaced.append(card.replaced)
        card.note("\u4e2d\n\u6587")
        replaced.append(card.replaced)

    lines = write(tmp_path / "c.vcf", calls, charset="GB2312", language="zh-CN",
                  encoding="Quoted-Printable")
    qp = "".join(f"={b:02X}" for b in "\u4e2d\u6587".encode("gb2312"))
    zhong, wen = qp[:6], qp[6:]
    assert lines == (b"TITLE;CHARSET=GB2312;ENCODING=QUOTED-PRINTABLE;LANGUAGE=zh-CN:"
                     + qp.encode() + b"?\r\n"
                     + b"NOTE;CHARSET=GB2312;ENCODING=QUOTED-PRINTABLE;LANGUAGE=zh-CN:"
                     + f"{zhong}=0D=0A{wen}".encode() + b"\r\n")
    assert replaced == [1, 0]
    assert write(tmp_path / "8bit.vcf", lambda c: c.title("\u4e2d"), charset="GB2312") == (
        b"TITLE;CHARSET=GB2312:" + "\u4e2d".encode("gb2312") + b"\r\n")


@pytest.mark.parametrize("calls, reason", [
    (lambda c: c.title("two\nlines"), "a line break, which an 8-bit value cannot hold"),
    (lambda c: (c.encoding("quoted-printable"), c.tel("1\r\n2")),
     "a line break, which a telephone number cannot hold"),
    (lambda c: c.note("n" * 1600), "too long for its line once converted and encoded"),
    (lambda c: c.note(b"a\0b"), "a NUL byte, which would cut the value"),
    (lambda c: c.name(*"abcdef"), "more components than the property holds"),
    (lambda c: c.charset("UTF-16"), "not a charset the card can write"),
    (lambda c: c.photo("face.tiff"),
     "no regular file of at most 1610612733 bytes, or no known type for it"),
])
def test_refused_values_raise_with_the_reason_and_write_nothing(tmp_path, calls, reason):
    with kwvcard.Card(tmp_path / "c.vcf") as card:
        with pytest.raises(kwvcard.Refused) as refused:
            calls(card)
        assert card.replaced == 0
    assert refused.value.reason == reason
    assert body(tmp_path / "c.vcf") == b""


@pytest.mark.parametrize("calls", [
    lambda c: c.tel("1", types={"mobile"}),
    lambda c: c.address(types={"office"}),
    lambda c: c.encoding("base64"),
])
def test_unknown_names_are_value_errors(tmp_path, calls):
    with kwvcard.Card(tmp_path / "c.vcf") as card:
        with pytest.raises(ValueError) as error:
            calls(card)
    assert not isinstance(error.value, kwvcard.Refused)


def test_the_card_closes_on_leaving_the_block_even_on_an_exception(tmp_path):
    with pytest.raises(RuntimeError):
        with kwvcard.Card(str(tmp_path / "c.vcf")) as card:
            card.title("t")
            raise RuntimeError
    assert card.closed
    assert body(tmp_path / "c.vcf") == b"TITLE;CHARSET=UTF-8:t\r\n"
    with pytest.raises(kwvcard.Refused, match="the card is closed"):
        card.title("late")
    with pytest.raises(FileNotFoundError):
        kwvcard.Card(tmp_path / "missing" / "c.vcf")
