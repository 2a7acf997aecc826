// A zip archive of files stored as they are (no compression: cards are small
// and a phone's importer needs nothing more), with UTF-8 names.
"use strict";
const kwvZip = (() => {
  const table = new Uint32Array(256).map((_, n) => {
    let c = n;
    for (let k = 0; k < 8; k++) c = c & 1 ? 0xEDB88320 ^ (c >>> 1) : c >>> 1;
    return c;
  });
  const crc32 = (bytes) => {
    let c = 0xFFFFFFFF;
    for (let i = 0; i < bytes.length; i++) c = table[(c ^ bytes[i]) & 0xFF] ^ (c >>> 8);
    return (c ^ 0xFFFFFFFF) >>> 0;
  };
  // files: [{name, bytes}] → Uint8Array. The date is fixed (1980-01-01), so
  // the same cards make the same archive.
  return (files) => {
    const encoder = new TextEncoder();
    const parts = [], central = [];
    let offset = 0;
    const header = (size, fields) => {
      const view = new DataView(new ArrayBuffer(size));
      let at = 0;
      for (const [bytes, value] of fields) {
        if (bytes === 2) view.setUint16(at, value, true); else view.setUint32(at, value, true);
        at += bytes;
      }
      return new Uint8Array(view.buffer);
    };
    for (const file of files) {
      const name = encoder.encode(file.name), crc = crc32(file.bytes), size = file.bytes.length;
      const common = [[2, 20], [2, 0x0800], [2, 0], [2, 0], [2, 0x21], [4, crc], [4, size],
        [4, size], [2, name.length], [2, 0]];
      parts.push(header(30, [[4, 0x04034B50], ...common]), name, file.bytes);
      central.push(header(46, [[4, 0x02014B50], [2, 20], ...common, [2, 0], [2, 0], [2, 0],
        [4, 0], [4, offset]]), name);
      offset += 30 + name.length + size;
    }
    const size = central.reduce((n, part) => n + part.length, 0);
    const end = header(22, [[4, 0x06054B50], [2, 0], [2, 0], [2, files.length],
      [2, files.length], [4, size], [4, offset], [2, 0]]);
    const all = [...parts, ...central, end];
    const out = new Uint8Array(all.reduce((n, part) => n + part.length, 0));
    let at = 0;
    for (const part of all) { out.set(part, at); at += part.length; }
    return out;
  };
})();
