// The page's checks in Debian's Chromium (headless, through puppeteer-core):
//   node check.js KWVCARD        every case below, from file:// and over http
//   node check.js KWVCARD --bench EXPORT
//                                the page against KWVCARD on EXPORT, timed
// KWVCARD is the native tool, whose cards and messages the page must give
// byte for byte. Screenshots go to build/web/screenshots/.
"use strict";
const { execFileSync, spawnSync } = require("child_process");
const fs = require("fs"), http = require("http"), os = require("os"), path = require("path");
const puppeteer = require("puppeteer-core");

const root = path.resolve(__dirname, "../..");
const site = path.join(root, "build/web/site");
const shots = path.join(root, "build/web/screenshots");
const [tool, mode, benchFile] = process.argv.slice(2);
const work = fs.mkdtempSync(path.join(os.tmpdir(), "kwvcard-web-"));

// Each case: an export, the options as window.kwvcard.convert takes them.
const bad = path.join(work, "bad.csv");
fs.writeFileSync(bad, "Colour,Shape\nred,round\n");
const cases = [
  ["tests/vcard/iphone-3.0.vcf", {}],
  ["tests/vcard/iphone-3.0.vcf", { charset: "GB2312", lang: "zh-CN" }],
  ["tests/vcard/iphone-3.0.vcf", { encoding: "8bit", charset: "ASCII" }],
  ["tests/vcard/carddav-4.0.vcf", { photoSize: -1 }],
  ["tests/vcard/japanese-2.1.vcf", { outDir: true }],
  ["tests/import/outlook.csv", { outDir: true }],
  ["tests/import/google.csv", { charset: "GB2312", photoSize: -1 }],
  ["tests/import/list-zh.csv", { charset: "GB2312", lang: "zh-CN" }],
  [bad, {}],
];
// A card with a 200 x 150 PNG photo (drawn by the browser, below), shrunk to
// 96 pixels: the page's JPEG is its own, the rest of the card the tool's.
const photoCard = path.join(work, "photo.vcf");
cases.push([photoCard, { photoSize: 96 }]);

// The card text with each JPEG photo's body left out, and the photos' sizes
// and whether they are baseline JPEGs (SOF0).
const photos = (bytes) => {
  const text = Buffer.from(bytes).toString("latin1"), found = [];
  const rest = text.replace(/PHOTO;ENCODING=BASE64;TYPE=JPEG:([^\r]*\r\n(?: {4}[^\r]*\r\n)*)/g, (_, body) => {
    const jpeg = Buffer.from(body.replace(/\s/g, ""), "base64");
    const sof = jpeg.indexOf(Buffer.from([0xFF, 0xC0]));
    found.push(sof < 0 ? null : [jpeg.readUInt16BE(sof + 7), jpeg.readUInt16BE(sof + 5)]);
    return "PHOTO\r\n";
  });
  return { rest, found };
};

// The command line the page runs, as worker.js builds it.
const args = (name, out, o) => {
  const a = ["import", name, o.outDir ? "--out-dir" : "--out", out];
  for (const [k, flag] of [["charset", "--charset"], ["lang", "--lang"], ["encoding", "--encoding"]])
    if (o[k]) a.push(flag, o[k]);
  if (o.photoSize === -1) a.push("--no-photos"); else if (o.photoSize) a.push("--photo-size", String(o.photoSize));
  return a;
};

// The native tool's result for a case, in the page's shape.
const native = (file, o) => {
  const out = fs.mkdtempSync(path.join(work, "n-")), name = path.basename(file);
  const target = path.join(out, o.outDir ? "cards" : "card.vcf");
  const run = spawnSync(tool, args(name, target, o), { cwd: path.dirname(path.resolve(root, file)) });
  const messages = run.stderr.toString().split("\n").filter(Boolean);
  const summary = run.status < 2 ? messages.pop() : "";
  let files = [];
  if (run.status < 2 && o.outDir)
    files = fs.readdirSync(target).sort().map((n) => ({ name: n, bytes: fs.readFileSync(path.join(target, n)) }));
  else if (run.status < 2) files = [{ bytes: fs.readFileSync(target) }];
  return { status: run.status, messages, summary, files };
};

const byName = (files) => files.sort((a, b) => (a.name < b.name ? -1 : 1));

// The cards of a page's download: the .vcf itself, or a zip's stored files.
const unzip = (zip) => {
  const files = [];
  for (let at = 0; zip.readUInt32LE(at) === 0x04034B50;) {
    const size = zip.readUInt32LE(at + 18), nameLength = zip.readUInt16LE(at + 26);
    const name = zip.toString("utf8", at + 30, at + 30 + nameLength);
    files.push({ name, bytes: zip.subarray(at + 30 + nameLength, at + 30 + nameLength + size) });
    at += 30 + nameLength + size;
  }
  return byName(files);
};

let failures = 0;
const expect = (what, ok) => { if (!ok) { failures++; console.log("FAIL " + what); } };
const same = (label, page, want, side = 0) => {
  expect(`${label}: status ${page.status}, not ${want.status}`, page.status === want.status);
  expect(`${label}: messages ${JSON.stringify(page.messages)}`, JSON.stringify(page.messages) === JSON.stringify(want.messages));
  expect(`${label}: summary "${page.summary}"`, page.summary === want.summary);
  expect(`${label}: ${page.files.length} files, not ${want.files.length}`, page.files.length === want.files.length);
  want.files.forEach((f, i) => {
    const got = page.files[i] ? Buffer.from(page.files[i].bytes) : Buffer.alloc(0);
    if (!side) {
      expect(`${label}: ${f.name || "the card file"} differs`, Buffer.compare(got, f.bytes) === 0);
      return;
    }
    const [ours, theirs] = [photos(got), photos(f.bytes)];
    expect(`${label}: the cards differ beside their photos`, ours.rest === theirs.rest);
    expect(`${label}: photos ${JSON.stringify(ours.found)}, not baseline JPEGs of ${side} pixels`,
      ours.found.length === theirs.found.length && ours.found.every((wh) =>
        wh && Math.max(...wh) === side && Math.abs(wh[0] / wh[1] - 4 / 3) < 0.05));
  });
};

const serve = () => new Promise((resolve) => {
  const types = { ".html": "text/html", ".js": "text/javascript", ".css": "text/css" };
  const server = http.createServer((req, res) => {
    const file = path.join(site, decodeURIComponent(req.url.split("?")[0]).replace(/\/$/, "/index.html"));
    if (!file.startsWith(site) || !fs.existsSync(file)) { res.writeHead(404); res.end(); return; }
    res.writeHead(200, { "Content-Type": types[path.extname(file)] || "application/octet-stream" });
    res.end(fs.readFileSync(file));
  });
  server.listen(0, "127.0.0.1", () => resolve(server));
});

// Opens the page; `requests` then holds every request made after loading.
const open = async (browser, url) => {
  const page = await browser.newPage();
  await page.goto(url, { waitUntil: "load" });
  if (url.startsWith("http")) await page.evaluate(() => navigator.serviceWorker.ready);
  const requests = [];
  page.on("request", (r) => { if (!r.url().startsWith("blob:")) requests.push(r.url()); });
  return { page, requests };
};

const viaApi = async (page, file, o) => {
  const r = await page.evaluate(async (bytes, name, options) => {
    const r = await window.kwvcard.convert(new Uint8Array(bytes), name, options);
    return { ...r, files: r.files.map((f) => ({ name: f.name, bytes: Array.from(f.bytes) })) };
  }, Array.from(fs.readFileSync(path.resolve(root, file))), path.basename(file), o);
  return { ...r, files: o.outDir ? byName(r.files) : r.files };
};

// The same through the controls, the download read where Chromium saved it.
const viaControls = async (page, file, o, downloads) => {
  await (await page.$("#file")).uploadFile(path.resolve(root, file));
  for (const [id, value] of [["charset", o.charset || "UTF-8"], ["encoding", o.encoding || "quoted-printable"],
    ["photo-size", String(o.photoSize || 0)], ["output", o.outDir ? "one-per-contact" : "one-file"]])
    await page.select("#" + id, value);
  await page.$eval("#lang", (el, v) => { el.value = v; }, o.lang || "en-US");
  await page.click("#convert");
  await page.waitForFunction(() => !document.getElementById("convert").disabled && document.getElementById("summary").textContent);
  const shown = await page.evaluate(() => ({
    messages: [...document.querySelectorAll("#messages li")].map((li) => li.textContent),
    summary: document.getElementById("summary").textContent,
    download: !document.getElementById("download").hidden && document.getElementById("download").download,
  }));
  let files = [];
  if (shown.download) {
    const saved = path.join(downloads, shown.download);
    if (fs.existsSync(saved)) fs.unlinkSync(saved);
    await page.click("#download");
    // Saved once it is there, no partial download is left, and its size holds.
    let size = -1;
    for (let i = 0; i < 200; i++) {
      await new Promise((r) => setTimeout(r, 50));
      const partial = fs.readdirSync(downloads).some((n) => n.endsWith(".crdownload"));
      const now = fs.existsSync(saved) ? fs.statSync(saved).size : -1;
      if (now >= 0 && now === size && !partial) break;
      size = now;
    }
    const bytes = fs.readFileSync(saved);
    files = shown.download.endsWith(".zip") ? unzip(bytes) : [{ bytes }];
  }
  return { status: shown.download ? undefined : 2, messages: shown.messages, summary: shown.summary, files };
};

(async () => {
  const browser = await puppeteer.launch({
    executablePath: "/usr/bin/chromium", headless: true,
    args: ["--no-sandbox", "--disable-gpu", "--disable-background-networking", "--disable-component-update",
      "--disable-sync", "--no-first-run", `--user-data-dir=${path.join(work, "profile")}`],
  });
  const server = await serve();
  try {
    if (mode === "--bench") {
      const { page } = await open(browser, `http://127.0.0.1:${server.address().port}/`);
      // The export reaches the page as a user's would, through the file
      // control (a JavaScript array of its bytes would weigh on the page's
      // garbage collector, and on the figure).
      await (await page.$("#file")).uploadFile(path.resolve(benchFile));
      const median = (xs) => xs.sort((a, b) => a - b)[Math.floor(xs.length / 2)];
      const times = [], nativeTimes = [];
      for (let round = 0; round < 5; round++) {
        times.push(await page.evaluate(async () => {
          const input = new Uint8Array(await document.getElementById("file").files[0].arrayBuffer());
          const start = performance.now();
          await window.kwvcard.convert(input, "export.vcf", {});
          return performance.now() - start;
        }));
        const start = process.hrtime.bigint();
        spawnSync(tool, ["import", benchFile, "--out", path.join(work, "bench.vcf")]);
        nativeTimes.push(Number(process.hrtime.bigint() - start) / 1e6);
      }
      const [p, n] = [median(times), median(nativeTimes)];
      console.log(`page ${p.toFixed(0)} ms, native ${n.toFixed(0)} ms: ${(p / n).toFixed(2)}x (goal: at most 4x)`);
      return;
    }
    fs.mkdirSync(shots, { recursive: true });
    const draw = await (await open(browser, `file://${site}/index.html`)).page.evaluate(async () => {
      const canvas = new OffscreenCanvas(200, 150), context = canvas.getContext("2d");
      const gradient = context.createLinearGradient(0, 0, 200, 150);
      gradient.addColorStop(0, "#c33");
      gradient.addColorStop(1, "#36c");
      context.fillStyle = gradient;
      context.fillRect(0, 0, 200, 150);
      const blob = await canvas.convertToBlob({ type: "image/png" });
      return Array.from(new Uint8Array(await blob.arrayBuffer()));
    });
    fs.writeFileSync(photoCard, "BEGIN:VCARD\r\nVERSION:3.0\r\nN:Lee;Ann;;;\r\nPHOTO;ENCODING=b;TYPE=PNG:" +
      Buffer.from(draw).toString("base64") + "\r\nEND:VCARD\r\n");
    for (const url of [`file://${site}/index.html`, `http://127.0.0.1:${server.address().port}/`]) {
      const { page, requests } = await open(browser, url);
      const downloads = fs.mkdtempSync(path.join(work, "d-"));
      const cdp = await page.createCDPSession();
      await cdp.send("Browser.setDownloadBehavior", { behavior: "allow", downloadPath: downloads });
      for (const [file, o] of cases) {
        const want = native(file, o), label = `${url.split(":")[0]} ${path.basename(file)} ${JSON.stringify(o)}`;
        same(label + " (convert)", await viaApi(page, file, o), want, o.photoSize > 0 ? o.photoSize : 0);
        const shown = await viaControls(page, file, o, downloads);
        // Stopped, the page says so where the summary would be, and offers nothing.
        if (want.status === 2) expect(label + ": a download offered", shown.status === 2);
        same(label + " (controls)", { ...shown, status: want.status, summary: want.status === 2 ? "" : shown.summary },
          want, o.photoSize > 0 ? o.photoSize : 0);
      }
      // A workbook: the page cannot read one and asks for CSV (status 2).
      for (const book of ["tests/workbook/excel.xlsx", "tests/workbook/libreoffice.xls"]) {
        const r = await viaApi(page, book, {});
        expect(`${url} ${book}: status ${r.status}, ${JSON.stringify(r.messages)}`, r.status === 2 &&
          r.files.length === 0 && r.messages.length === 1 && r.messages[0].includes("save the sheet as CSV"));
      }
      expect(`${url}: requests after loading: ${requests.join(" ")}`, requests.length === 0);
      if (url.startsWith("http")) {  // after a conversion that writes cards
        await viaControls(page, "tests/import/list-zh.csv", { charset: "GB2312", lang: "zh-CN" }, downloads);
        await page.screenshot({ path: path.join(shots, "page-en.png"), fullPage: true });
        await page.select("#ui-lang", "zh");
        await page.screenshot({ path: path.join(shots, "page-zh.png"), fullPage: true });
      }
      console.log(`${url}: ${cases.length} cases checked`);
    }
  } finally {
    server.close();
    await browser.close();
    fs.rmSync(work, { recursive: true, force: true });
  }
  if (failures) { console.log(`${failures} checks failed`); process.exit(1); }
  console.log("the page: every check passed");
})().catch((e) => { console.error(e); process.exit(1); });
