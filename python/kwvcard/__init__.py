"""Contacts as vCard 2.1 files, for devices that read nothing newer.

A thin layer over libKwvCard's C interface (kwvcard.h), which ships inside
this package: every rule (charsets, quoted-printable, what is refused) is the
library's, so a card written here is byte for byte the one a C or C++
program writes with the same calls::

    import datetime
    import kwvcard

    with kwvcard.Card("contact.vcf", charset="GB2312", language="zh-CN",
                      encoding="quoted-printable") as card:
        card.name("Doe", "Jane")                # N;CHARSET=GB2312;...:Doe;Jane
        card.tel("+1 555 0100", types={"cell", "pref"})
        card.address(street="1 Main St", city="Springfield", types={"home"})
        card.birthday(datetime.date(1980, 3, 7))
        card.note("first line\\nsecond line")   # =0D=0A under quoted-printable

Values are str (written as UTF-8, then converted to the card's charset) or
bytes of UTF-8. Each call writes one complete line; a value the line cannot
hold raises Refused and nothing is written, so the card never holds a broken
property. Leaving the with block (also on an exception) writes END:VCARD and
closes the file.
"""

from __future__ import annotations

import ctypes
import datetime
import importlib.metadata
import os
from typing import Callable, Iterable, Optional, Union

__all__ = ["Card", "Refused", "TEL_TYPES", "ADR_TYPES", "ENCODINGS"]

try:
    __version__ = importlib.metadata.version("kwvcard")
except importlib.metadata.PackageNotFoundError:  # not installed
    __version__ = "unknown"

#: A text value: str, or bytes of UTF-8.
Text = Union[str, bytes]
#: A file path, as open() takes it.
PathLike = Union[str, bytes, "os.PathLike[str]", "os.PathLike[bytes]"]

#: Telephone type names, in the order TEL writes them (bit i of kwvcard.h).
TEL_TYPES = ("pref", "voice", "fax", "msg", "cell", "pager", "bbs", "modem",
             "car", "isdn", "video", "voip", "work", "home")
#: Address type names, in the order ADR writes them.
ADR_TYPES = ("dom", "intl", "postal", "parcel", "home", "work")
#: Encoding names (any case), as kwvcard.h numbers them.
ENCODINGS = {"8bit": 0, "quoted-printable": 1}


class Refused(ValueError):
    """A value the card refused: nothing was written.

    ``reason`` says why, as the library does ("a line break, which an 8-bit
    value cannot hold", "too long for its line once converted and encoded",
    ...), and ``operation`` names the call.
    """

    def __init__(self, operation: str, reason: str) -> None:
        super().__init__(f"{operation}: {reason}")
        self.operation = operation
        self.reason = reason


def _load() -> ctypes.CDLL:
    # The library shipped next to this module (its RUNPATH, $ORIGIN, finds
    # the platform stand-ins there too), else the system's.
    here = os.path.join(os.path.dirname(os.path.abspath(__file__)), "libKwvCard.so.0")
    return ctypes.CDLL(here if os.path.exists(here) else "libKwvCard.so.0", use_errno=True)


class _Text(ctypes.Structure):
    _fields_ = [("data", ctypes.c_char_p), ("len", ctypes.c_size_t)]


_ADDRESS_FIELDS = ("po_box", "extended", "street", "city", "region", "postal_code", "country")


class _Address(ctypes.Structure):
    _fields_ = [(name, _Text) for name in _ADDRESS_FIELDS]


_lib = _load()
_P, _B, _S = ctypes.c_void_p, ctypes.c_bool, ctypes.c_char_p


def _c(name: str, restype: object, *argtypes: object) -> Callable[..., object]:
    function = getattr(_lib, "kwv_card_" + name)
    function.restype = restype
    function.argtypes = argtypes
    return function


_open = _c("open", _P, _S)
_close = _c("close", _B, _P)
_refusal = _c("refusal", _S, _P)
_replaced = _c("replaced", ctypes.c_size_t, _P)
_settings = {name: _c(name, _B, _P, _S) for name in ("charset", "language")}
_encoding = _c("encoding", _B, _P, ctypes.c_int)
_birthday = _c("birthday", _B, _P, ctypes.c_int, ctypes.c_int, ctypes.c_int)
_parts = {name: _c(name, _B, _P, ctypes.POINTER(_Text), ctypes.c_size_t) for name in ("name", "org")}
_address = _c("address", _B, _P, ctypes.POINTER(_Address), ctypes.c_uint)
_tel = _c("tel", _B, _P, _S, ctypes.c_size_t, ctypes.c_uint)
_media = {name: _c(name, _B, _P, _S, _S) for name in ("photo", "sound")}


def _bytes(value: Text) -> bytes:
    if isinstance(value, str):
        return value.encode("utf-8")
    if isinstance(value, (bytes, bytearray, memoryview)):
        return bytes(value)
    raise TypeError(f"a text value is str or bytes, not {type(value).__name__}")


def _bits(types: Union[str, Iterable[str]], names: tuple, kind: str) -> int:
    bits = 0
    for t in (types,) if isinstance(types, str) else types:
        if t.lower() not in names:
            raise ValueError(f"unknown {kind} type {t!r}: one of {', '.join(names)}")
        bits |= 1 << names.index(t.lower())
    return bits


def _text_line(name: str, line: str, capacity: int) -> Callable[["Card", Text], None]:
    function = _c(name, _B, _P, _S, ctypes.c_size_t)

    def write(self: Card, value: Text) -> None:
        data = _bytes(value)
        self._check(name, function(self._open_handle(name), data, len(data)))

    write.__name__ = name
    write.__qualname__ = f"Card.{name}"
    write.__doc__ = (f"Writes the {line} line, capacity {capacity} bytes once converted and "
                     "encoded.\n\nRaises Refused, writing nothing, for a value the line "
                     "cannot hold.")
    return write


class Card:
    """One vCard 2.1 file while it is being written.

    ``Card(path)`` creates (or truncates) the file and writes BEGIN:VCARD and
    VERSION:2.1; an OSError says why it could not. ``charset`` ("UTF-8" by
    default, "GB2312", or any charset iconv converts UTF-8 to, such as
    "SHIFT_JIS" or "ISO-8859-1"), ``language`` ("en-US" by default) and
    ``encoding`` ("8bit" by default, or "quoted-printable") apply to every
    line, as the methods of the same names set them later. Use it in a with
    block, or call close(); it closes when collected too.

    Each method writes one line and returns nothing. A value the line cannot
    hold raises Refused: a line break under "8bit" (quoted-printable encodes
    it; TEL never holds one), a NUL byte, a value too long for its line once
    converted and encoded, more components than N (5) or ORG (3) take. Type
    names are strings in any case; an unknown one raises ValueError.
    """

    def __init__(self, path: PathLike, *, charset: Optional[str] = None,
                 language: Optional[str] = None, encoding: Optional[str] = None) -> None:
        self._handle: Optional[int] = None
        raw = os.fsencode(path)
        if b"\0" in raw:
            raise ValueError("a path holding a NUL byte")
        handle = _open(raw)
        if not handle:
            error = ctypes.get_errno()
            raise OSError(error, os.strerror(error), os.fsdecode(raw))
        self._handle = handle
        self._path = os.fsdecode(raw)
        try:
            if charset is not None:
                self.charset(charset)
            if language is not None:
                self.language(language)
            if encoding is not None:
                self.encoding(encoding)
        except BaseException:
            self.close()
            raise

    def __enter__(self) -> Card:
        return self

    def __exit__(self, *exc_info: object) -> None:
        self.close()

    def __del__(self) -> None:
        if getattr(self, "_handle", None):
            self.close()

    def __repr__(self) -> str:
        return f"<kwvcard.Card {self._path!r}{' closed' if self.closed else ''}>"

    def close(self) -> None:
        """Writes END:VCARD and closes the file; does nothing when closed."""
        if self._handle:
            handle, self._handle = self._handle, None
            _close(handle)

    @property
    def closed(self) -> bool:
        """Whether close() has been called."""
        return not self._handle

    @property
    def replaced(self) -> int:
        """How many characters the last call wrote as '?' because the card's
        charset cannot hold them (0 when it wrote its value whole)."""
        return _replaced(self._handle) if self._handle else 0

    def _open_handle(self, operation: str) -> int:
        if not self._handle:
            raise Refused(operation, "the card is closed")
        return self._handle

    def _check(self, operation: str, written: bool) -> None:
        if not written:
            reason = _refusal(self._handle)
            raise Refused(operation, reason.decode() if reason else "refused")

    # ---- Settings: each applies to the lines written afterwards ------------

    def charset(self, name: str) -> None:
        """Sets the charset of the values written afterwards (see the class).

        Raises Refused for a name the card cannot write in: unknown to
        iconv, not writing ASCII as ASCII (UTF-16), or longer than 39 bytes
        (13 under quoted-printable)."""
        self._check("charset", _settings["charset"](self._open_handle("charset"), name.encode()))

    def language(self, tag: str) -> None:
        """Sets the language of the lines written afterwards (LANGUAGE=)."""
        self._check("language", _settings["language"](self._open_handle("language"), tag.encode()))

    def encoding(self, name: str) -> None:
        """Sets how text values are written: "8bit" as they are, or
        "quoted-printable" for every value that is not printable ASCII."""
        if name.lower() not in ENCODINGS:
            raise ValueError(f"unknown encoding {name!r}: one of {', '.join(ENCODINGS)}")
        self._check("encoding", _encoding(self._open_handle("encoding"), ENCODINGS[name.lower()]))

    # ---- Text properties ----------------------------------------------------

    title = _text_line("title", "TITLE", 800)
    note = _text_line("note", "NOTE", 1600)
    url = _text_line("url", "URL", 800)
    role = _text_line("role", "ROLE", 500)
    im = _text_line("im", "IM", 500)
    department = _text_line("department", "DEPARTMENT", 800)
    spouse = _text_line("spouse", "X-ZEB-SPOUSE", 800)
    children = _text_line("children", "X-ZEB-CHILD", 800)
    nickname = _text_line("nickname", "X-ZEB-NICKNAME", 800)
    manager = _text_line("manager", "X-ZEB-MANAGER", 800)
    assistant = _text_line("assistant", "X-ZEB-ASSISTANT", 800)
    email = _text_line("email", "EMAIL;...;INTERNET", 800)
    photo_url = _text_line("photo_url", "PHOTO;VALUE=URL", 800)
    sound_url = _text_line("sound_url", "SOUND;VALUE=URL", 800)
    _anniversary = _text_line("anniversary", "X-ZEB-ANNIVERSARY", 800)

    def anniversary(self, value: Union[Text, datetime.date]) -> None:
        """Writes the X-ZEB-ANNIVERSARY line: a date as YYYY-MM-DD, or text
        as given."""
        self._anniversary(value.isoformat() if isinstance(value, datetime.date) else value)

    def birthday(self, date: datetime.date) -> None:
        """Writes ``BDAY:YYYY-MM-DD``."""
        self._check("birthday", _birthday(self._open_handle("birthday"), date.year, date.month,
                                          date.day))

    # ---- Structured properties ----------------------------------------------

    def _components(self, operation: str, parts: tuple) -> None:
        data = [_bytes(p) for p in parts]
        array = (_Text * max(len(data), 1))(*[_Text(d, len(d)) for d in data])
        self._check(operation, _parts[operation](self._open_handle(operation), array, len(data)))

    def name(self, *parts: Text) -> None:
        """Writes ``N:family;given;middle;prefix;suffix`` with as many
        components as given (at most 5); a ';' inside one is escaped."""
        self._components("name", parts)

    def org(self, *parts: Text) -> None:
        """Writes ``ORG:name;unit;unit`` with as many components as given
        (at most 3)."""
        self._components("org", parts)

    def address(self, *, po_box: Text = "", extended: Text = "", street: Text = "",
                city: Text = "", region: Text = "", postal_code: Text = "", country: Text = "",
                types: Union[str, Iterable[str]] = ()) -> None:
        """Writes ``ADR;<types>:po_box;extended;street;city;region;postal_code;country``
        with exactly the address types given (names of ADR_TYPES, any case)."""
        bits = _bits(types, ADR_TYPES, "address")
        values = [_bytes(v) for v in (po_box, extended, street, city, region, postal_code,
                                      country)]
        address = _Address(*[_Text(v, len(v)) for v in values])
        self._check("address", _address(self._open_handle("address"), ctypes.byref(address),
                                        bits))

    def tel(self, number: Text, types: Union[str, Iterable[str]] = ()) -> None:
        """Writes ``TEL;<types>:<number>`` with exactly the telephone types given
        (names of TEL_TYPES, any case). Never encoded: a line break is refused."""
        bits = _bits(types, TEL_TYPES, "telephone")
        data = _bytes(number)
        self._check("tel", _tel(self._open_handle("tel"), data, len(data), bits))

    # ---- Media ----------------------------------------------------------------

    def _media(self, operation: str, path: PathLike, type: Optional[str]) -> None:
        raw = os.fsencode(path)
        if b"\0" in raw:
            raise Refused(operation, "a path holding a NUL byte")
        kind = None if type is None else type.encode()
        self._check(operation, _media[operation](self._open_handle(operation), raw, kind))

    def photo(self, path: PathLike, type: Optional[str] = None) -> None:
        """Writes the image file inline, base64: ``PHOTO;ENCODING=BASE64;TYPE=<type>:``.

        The type comes from the extension (.jpg, .jpeg, .png, .gif, .bmp)
        unless given. Refused: another extension, anything but a regular
        file, a file over 1610612733 bytes."""
        self._media("photo", path, type)

    def sound(self, path: PathLike, type: Optional[str] = None) -> None:
        """As photo(), for ``SOUND``: .wav, .aif, .aiff, .pcm, .mp3."""
        self._media("sound", path, type)
