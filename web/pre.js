// Runs inside kwvcard.js's module (Emscripten's --pre-js), in the worker: what
// the tool's C++ asks of the browser (web/glue/), and its standard error.
Module.kwvcard = (() => {
  // iconv's names for encodings that TextDecoder knows by another label or
  // reads otherwise: glibc's SHIFT_JIS and ISO-8859-1 differ from the labels'
  // WHATWG meaning, so they are read here (see decode).
  const labels = { "SJIS": "shift_jis", "SHIFT-JIS": "shift_jis", "MS_KANJI": "shift_jis",
    "CP932": "shift_jis", "WINDOWS-31J": "shift_jis", "CP936": "gbk", "EUC-CN": "gbk",
    "CP1252": "windows-1252", "CP1251": "windows-1251", "CP1250": "windows-1250",
    "UTF-16": "utf-16be", "UCS-2LE": "utf-16le", "UCS-2BE": "utf-16be", "BIG5-HKSCS": "big5" };
  const own = new Set(["ISO-8859-1", "ISO8859-1", "LATIN1", "L1", "ASCII", "US-ASCII",
    "ANSI_X3.4-1968", "SHIFT_JIS", "SJIS", "SHIFT-JIS", "MS_KANJI"]);
  const label = (name) => labels[name] || name.toLowerCase();
  const decoderKnown = (name) => {
    if (own.has(name)) return true;
    try { new TextDecoder(label(name)); return true; } catch (e) { return false; }
  };
  // Decodes `bytes` whole: {text, bad}, bad the offset of the first invalid
  // sequence (text what precedes it) or -1.
  const decode = (name, bytes) => {
    if (name === "ISO-8859-1" || name === "ISO8859-1" || name === "LATIN1" || name === "L1" ||
        name === "ASCII" || name === "US-ASCII" || name === "ANSI_X3.4-1968") {
      const top = name.includes("8859") || name.startsWith("L") ? 0xFF : 0x7F;
      let text = "";
      for (let i = 0; i < bytes.length; i++) {
        if (bytes[i] > top) return { text, bad: i };
        text += String.fromCharCode(bytes[i]);
      }
      return { text, bad: -1 };
    }
    const shiftJis = own.has(name) && name !== "CP932";
    const decoder = new TextDecoder(label(name), { fatal: true, ignoreBOM: true });
    // glibc's SHIFT_JIS reads the single bytes 0x5C and 0x7E as YEN SIGN and
    // OVERLINE (JIS X 0201), where the WHATWG decoder keeps ASCII.
    const run = (from, to, out) => out + decoder.decode(bytes.subarray(from, to));
    try {
      if (!shiftJis) return { text: decoder.decode(bytes), bad: -1 };
      let text = "", start = 0;
      for (let i = 0; i < bytes.length; i++) {
        const b = bytes[i];
        if ((b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC)) { i++; continue; }
        if (b === 0x5C || b === 0x7E) {
          text = run(start, i, text) + (b === 0x5C ? "\u00A5" : "\u203E");
          start = i + 1;
        }
      }
      return { text: run(start, bytes.length, text), bad: -1 };
    } catch (e) {
      // Found again a byte at a time: the text before the invalid sequence.
      const stream = new TextDecoder(label(name), { fatal: true, ignoreBOM: true });
      let text = "", good = 0;
      for (let i = 0; i < bytes.length; i++) {
        try {
          const part = stream.decode(bytes.subarray(i, i + 1), { stream: true });
          if (part) { text += part; good = i + 1; }
        } catch (e2) { return { text, bad: good }; }
      }
      return { text, bad: good };
    }
  };
  // A text export's encoding when it is not UTF-8, as uchardet would name it:
  // the first of these that reads the whole text, preferring the one whose
  // text has the most letters of its script (a Western text read as GB18030
  // gives rare ideographs, a Chinese one read as WINDOWS-1252 gives symbols).
  const candidates = [["GB18030", /[\u4E00-\u9FA5\u3000-\u303F\uFF01-\uFF5E]/g],
    ["BIG5", /[\u4E00-\u9FFF\u3000-\u303F\uFF01-\uFF5E]/g],
    ["SHIFT_JIS", /[\u3040-\u30FF\u4E00-\u9FFF\u3000-\u303F\uFF01-\uFF5E]/g],
    ["EUC-KR", /[\uAC00-\uD7A3]/g], ["WINDOWS-1252", /[\u00C0-\u00FF]/g]];
  const guessEncoding = (bytes) => {
    let best = "", score = -1;
    for (const candidate of candidates) {
      const name = candidate[0], letters = candidate[1];
      const read = decode(name, bytes);
      if (read.bad >= 0) continue;
      const wide = read.text.replace(/[\x00-\x7F]/g, "");
      const share = wide.length ? (wide.match(letters) || []).length / wide.length : 0;
      if (share > score) { best = name; score = share; }
    }
    return best;
  };
  // Photos shrunk by the worker between the two runs of a conversion
  // (photo_browser.cpp): the cache by content and size, and the queue.
  const photos = new Map();
  const queue = [];
  const key = (bytes, side) => {
    let h = 2166136261;
    for (let i = 0; i < bytes.length; i++) h = Math.imul(h ^ bytes[i], 16777619);
    return side + ":" + bytes.length + ":" + (h >>> 0);
  };
  const shrunk = (bytes, side) => {
    const k = key(bytes, side);
    if (photos.has(k)) return photos.get(k);
    queue.push({ key: k, bytes: bytes.slice(), side });
    return null;
  };
  // Standard error is a terminal, as the command's is in a shell: the tool
  // then reports its progress on a large export ("\r" lines), which
  // onProgress receives; the rest are the messages, by line, for onMessage.
  let line = [];
  const flush = () => {
    let text = new TextDecoder().decode(new Uint8Array(line));
    line = [];
    text = text.replace(/^\r\x1b\[K/, "");
    const progress = /^\rkwvcard: (\d+) of (\d+) contacts$/.exec(text);
    if (progress) api.onProgress(+progress[1], +progress[2]);
    else if (text) api.onMessage(text);
  };
  const put = (byte) => {
    if (byte === 13 && line.length) flush();  // a progress line ends where the next begins
    if (byte === 10) flush(); else line.push(byte);
  };
  const api = { decoderKnown, decode, guessEncoding, shrunk, photos, queue, put,
    onMessage: () => {}, onProgress: () => {} };
  return api;
})();
Module.preRun = (Module.preRun || []).concat(() => {
  TTY.default_tty1_ops.put_char = (tty, byte) => { if (byte !== null) Module.kwvcard.put(byte); };
  TTY.default_tty1_ops.flush = () => {};
});
