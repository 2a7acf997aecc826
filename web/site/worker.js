// The conversion, in a Web Worker: kwvcard's own main() (kwvcard.js, built
// from the tool's sources) run on the file in Emscripten's in-memory file
// system with the arguments the command takes; its standard error gives the
// messages, the summary and the progress; the files it writes are the result.
"use strict";
// Its source is kwvcard.js and this file, joined by web/bundle.py.

let ready = null;  // the module, once the page has sent its bytes

// The command line for `options` (window.kwvcard.convert's), the input being
// `input` and the result going to `out`.
const commandLine = (input, out, options) => {
  const args = ["import", input, options.outDir ? "--out-dir" : "--out", out];
  for (const [option, name] of [["charset", "--charset"], ["lang", "--lang"],
    ["encoding", "--encoding"], ["fromEncoding", "--from-encoding"]]) {
    if (options[option]) args.push(name, String(options[option]));
  }
  const size = Number(options.photoSize || 0);
  if (options.noPhotos || size === -1) args.push("--no-photos");
  else if (size !== 0) args.push("--photo-size", String(size));
  return args;
};

// The photos the first run queued, shrunk by the browser as kwvcard shrinks
// them (writer/photo.h): the longer side at most `side`, never enlarged,
// upright, transparency on white, a JPEG of quality 85.
const shrinkQueued = async (kw) => {
  const formats = [[0xFF, 0xD8], [0x89, 0x50, 0x4E, 0x47], [0x47, 0x49, 0x46], [0x42, 0x4D]];
  const isWebp = (b) => String.fromCharCode(...b.subarray(0, 4)) === "RIFF" &&
    String.fromCharCode(...b.subarray(8, 12)) === "WEBP";
  while (kw.queue.length) {
    const { key, bytes, side } = kw.queue.shift();
    let result;
    if (!formats.some((m) => m.every((v, i) => bytes[i] === v)) && !isWebp(bytes)) {
      result = { error: "not a JPEG, PNG, GIF, BMP or WebP image" };
    } else {
      try {
        const bitmap = await createImageBitmap(new Blob([bytes]));
        const { width, height } = bitmap;
        if (width * height > 40000000) {
          result = { error: `the image is ${width} x ${height} pixels, more than the 40 megapixels a photo may have` };
        } else {
          const longer = Math.max(width, height);
          const fit = (n) => longer <= side ? n : Math.max(1, Math.floor((2 * n * side + longer) / (2 * longer)));
          const canvas = new OffscreenCanvas(fit(width), fit(height));
          const context = canvas.getContext("2d");
          context.fillStyle = "#fff";
          context.fillRect(0, 0, canvas.width, canvas.height);
          context.imageSmoothingQuality = "high";
          context.drawImage(bitmap, 0, 0, canvas.width, canvas.height);
          const blob = await canvas.convertToBlob({ type: "image/jpeg", quality: 0.85 });
          result = { jpeg: new Uint8Array(await blob.arrayBuffer()) };
        }
      } catch (e) {
        result = { error: "cannot decode the image" };
      }
    }
    kw.photos.set(key, result);
  }
};

const removeTree = (FS, path) => {
  if (!FS.analyzePath(path).exists) return;
  if (FS.isDir(FS.stat(path).mode)) {
    for (const name of FS.readdir(path)) {
      if (name !== "." && name !== "..") removeTree(FS, path + "/" + name);
    }
    FS.rmdir(path);
  } else {
    FS.unlink(path);
  }
};

// One conversion: {status, messages, summary, files: [{name, bytes}]}, files
// being the one card file or, under outDir, a file per contact.
const convert = async (bytes, fileName, options, onProgress) => {
  const module = await ready;
  const { FS } = module, kw = module.kwvcard;
  const stem = fileName.replace(/\.[^.]*$/, "") || "contacts";
  const input = (fileName.startsWith("-") ? "./" : "") + fileName;
  const out = options.outDir ? "cards" : stem + (/\.vcf$/i.test(fileName) ? "-2.1" : "") + ".vcf";
  removeTree(FS, "/work");
  FS.mkdir("/work");
  FS.chdir("/work");
  FS.writeFile("/work/" + fileName, bytes);
  const args = commandLine(input, out, options);
  let messages, status;
  for (let run = 0; run < 2; run++) {
    messages = [];
    kw.onMessage = (line) => messages.push(line);
    kw.onProgress = onProgress;
    status = module.callMain(args.slice());
    // Photos to shrink: the browser shrinks them, and a second run finds them.
    if (!kw.queue.length) break;
    await shrinkQueued(kw);
    removeTree(FS, "/work/" + out);
  }
  kw.onProgress = () => {};
  const summary = status < 2 && messages.length ? messages.pop() : "";
  let files = [];
  if (status < 2 && options.outDir) {
    files = FS.readdir("/work/cards").filter((n) => n !== "." && n !== "..")
      .map((name) => ({ name, bytes: FS.readFile("/work/cards/" + name) }));
  } else if (status < 2) {
    files = [{ name: out, bytes: FS.readFile("/work/" + out) }];
  }
  FS.chdir("/");
  removeTree(FS, "/work");
  return { status, messages, summary, files };
};

self.onmessage = async (event) => {
  if (event.data.wasm) {
    ready = createKwvcard({ wasmBinary: event.data.wasm });
    return;
  }
  const { id, bytes, fileName, options } = event.data;
  try {
    const result = await convert(bytes, fileName, options,
      (done, total) => self.postMessage({ id, progress: [done, total] }));
    self.postMessage({ id, result }, result.files.map((f) => f.bytes.buffer));
  } catch (e) {
    self.postMessage({ id, error: String(e && e.message || e) });
  }
};
