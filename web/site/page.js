// The page: its controls, in English and Simplified Chinese, and
// window.kwvcard.convert, which runs kwvcard in a Web Worker (engine.js).
"use strict";
(() => {
  const texts = {
    en: {}, // the page's own text
    zh: {
      title: "kwvcard：通讯录转换为 vCard 2.1", uiLang: "语言",
      intro: "把导出的通讯录（vCard、CSV）转换为车载设备、功能手机和无绳电话能读的 vCard 2.1 名片。一切都在这台电脑上完成，不发送任何数据。",
      file: "导出的通讯录（vCard 或 CSV 文件）", drop: "或拖放到这里",
      workbook: "本页面读取 vCard、CSV 和 LDIF 文件，不读电子表格：请把表格另存为 CSV（UTF-8）再选择该文件。",
      charset: "名片的字符集", lang: "名片的语言", encoding: "编码",
      qp: "quoted-printable（保留换行）", "8bit": "8bit（换行变为空格）",
      photoSize: "照片", asTheyAre: "保持原样", none: "不要照片",
      output: "结果", oneFile: "一个包含所有名片的 .vcf 文件", perContact: "每个联系人一张名片的 .zip",
      fromEncoding: "通讯录文本的编码", auto: "UTF-8 或自动检测", convert: "转换",
      offline: "加载后可离线使用。照片由浏览器缩小，其字节与命令行工具的不同。",
      download: "下载 {name}", working: "正在转换…", stopped: "转换已停止，没有生成文件。",
      chooseFile: "请先选择一个文件。", failed: "转换失败：",
    },
    enDynamic: {
      download: "Download {name}", working: "Converting…", stopped: "The conversion stopped: no file was written.",
      chooseFile: "Choose a file first.", failed: "The conversion failed: ",
    },
  };
  const $ = (id) => document.getElementById(id);
  for (const el of document.querySelectorAll("[data-t]")) texts.en[el.dataset.t] = el.textContent;
  Object.assign(texts.en, texts.enDynamic);
  let ui = /^zh\b/i.test(navigator.language || "") ? "zh" : "en";
  const t = (key, values = {}) => (texts[ui][key] || texts.en[key]).replace(/\{(\w+)\}/g, (_, k) => values[k]);
  const setLanguage = (lang) => {
    ui = lang;
    document.documentElement.lang = lang === "zh" ? "zh-CN" : "en";
    for (const el of document.querySelectorAll("[data-t]")) el.textContent = t(el.dataset.t);
    document.title = t("title");
    $("ui-lang").value = lang;
    if (lastFile) $("download").textContent = t("download", { name: lastFile });
    if (summaryKey) $("summary").textContent = t(summaryKey);
  };

  // The worker, started from engine.js's source, and the conversions it runs.
  const worker = new Worker(URL.createObjectURL(new Blob([kwvEngine.worker], { type: "text/javascript" })));
  const wasm = Uint8Array.from(atob(kwvEngine.wasm), (c) => c.charCodeAt(0));
  worker.postMessage({ wasm }, [wasm.buffer]);
  const pending = new Map();
  let nextId = 1;
  worker.onmessage = (event) => {
    const { id, progress, result, error } = event.data;
    const job = pending.get(id);
    if (!job) return;
    if (progress) { job.onProgress(progress[0], progress[1]); return; }
    pending.delete(id);
    if (error) job.reject(new Error(error)); else job.resolve(result);
  };
  const convert = (bytes, fileName, options = {}, onProgress = () => {}) =>
    new Promise((resolve, reject) => {
      const id = nextId++;
      pending.set(id, { resolve, reject, onProgress });
      const copy = new Uint8Array(bytes);
      worker.postMessage({ id, bytes: copy, fileName, options }, [copy.buffer]);
    });
  window.kwvcard = { convert: (bytes, fileName, options) => convert(bytes, fileName, options) };

  // The controls.
  // summaryKey: the page's own text in the summary, if any (the tool's
  // summary line is the tool's words and stays as it is).
  let chosen = null, lastFile = "", lastUrl = "", summaryKey = "";
  const say = (key, extra = "") => {
    summaryKey = extra ? "" : key;
    $("summary").textContent = t(key) + extra;
  };
  const choose = (file) => {
    chosen = file;
    file.slice(0, 8).arrayBuffer().then((head) => {
      const b = new Uint8Array(head);
      const zip = b[0] === 0x50 && b[1] === 0x4B && b[2] === 3 && b[3] === 4;
      const ole = b[0] === 0xD0 && b[1] === 0xCF && b[2] === 0x11 && b[3] === 0xE0;
      $("workbook").hidden = !(zip || ole);
    });
  };
  $("file").addEventListener("change", () => { if ($("file").files[0]) choose($("file").files[0]); });
  const drop = $("drop");
  drop.addEventListener("dragover", (e) => { e.preventDefault(); drop.classList.add("over"); });
  drop.addEventListener("dragleave", () => drop.classList.remove("over"));
  drop.addEventListener("drop", (e) => {
    e.preventDefault();
    drop.classList.remove("over");
    if (e.dataTransfer.files[0]) choose(e.dataTransfer.files[0]);
  });
  $("ui-lang").addEventListener("change", () => setLanguage($("ui-lang").value));

  const options = () => ({
    charset: $("charset").value, lang: $("lang").value.trim(), encoding: $("encoding").value,
    photoSize: Number($("photo-size").value), fromEncoding: $("from-encoding").value,
    outDir: $("output").value === "one-per-contact",
  });
  $("form").addEventListener("submit", async (event) => {
    event.preventDefault();
    const messages = $("messages"), summary = $("summary"), link = $("download"), bar = $("progress");
    messages.replaceChildren();
    summary.className = "";
    link.hidden = true;
    if (lastUrl) URL.revokeObjectURL(lastUrl);
    lastUrl = lastFile = "";
    if (!chosen) { say("chooseFile"); return; }
    $("convert").disabled = true;
    say("working");
    bar.value = 0;
    try {
      const bytes = new Uint8Array(await chosen.arrayBuffer());
      const result = await convert(bytes, chosen.name, options(), (done, total) => {
        bar.hidden = false;
        bar.max = total;
        bar.value = done;
      });
      for (const text of result.messages) {
        const item = document.createElement("li");
        item.textContent = text;
        messages.append(item);
      }
      if (result.status === 2) say("stopped");
      else { summaryKey = ""; summary.textContent = result.summary; }
      summary.className = result.status === 2 ? "error" : "";
      if (result.files.length) {
        const file = options().outDir ? { name: chosen.name.replace(/\.[^.]*$/, "") + ".zip",
          bytes: kwvZip(result.files) } : result.files[0];
        const type = file.name.endsWith(".zip") ? "application/zip" : "text/vcard";
        lastUrl = URL.createObjectURL(new Blob([file.bytes], { type }));
        lastFile = file.name;
        link.href = lastUrl;
        link.download = file.name;
        link.textContent = t("download", { name: file.name });
        link.hidden = false;
      }
    } catch (e) {
      say("failed", e.message);
      summary.className = "error";
    } finally {
      bar.hidden = true;
      $("convert").disabled = false;
    }
  });
  setLanguage(ui);

  // Offline over http(s): the service worker keeps the page's files.
  if (location.protocol.startsWith("http") && "serviceWorker" in navigator) {
    navigator.serviceWorker.register("sw.js").catch(() => {});
  }
})();
