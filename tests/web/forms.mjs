// The map in other forms, out and back in, and the actions of the rows of
// scenarios.tsv on kept maps and maps in other characters.
//
// Each map of MAPS is saved as PNG, JSON, CSV and C, with both line ends,
// downloaded and copied: the bytes are held against what is derived here
// from the native tool's listing and the map's rows as counted here, the
// PNG decoded here with Node's zlib, and each file is opened back, which
// must give the same points (JSON and a PNG of even rows the same listing).
// A PNG must be the same file in every engine. Files in no form the page
// writes are refused on their line, the map shown kept as it was.
import { execFileSync } from "node:child_process";
import { readFileSync } from "node:fs";
import { crc32, inflateSync } from "node:zlib";
import { join } from "node:path";
import { ROOT, bin, check, expand, sha256, sleep } from "./page.mjs";

// name | map text | the forms tried (all where none are named)
const MAPS = [
  ["even", "O.O\n.O.\nOOO\n"],
  ["ragged, the last row not the widest", "O.........O\n.O\r\n\r\n\t.O.\xe9O\r\nO.O"],
  ["eight and nine wide", "OOOOOOOO\n.......O.\nO\n"],
  ["no point", "...\n..\n"],
  ["empty", ""],
  ["one row of a million cells, no line end", `${"O.".repeat(499999)}OO`, ["png"]],
];

// file | bytes | what the page says is wrong
const REFUSED = [
  ["a.json", '{"width": 2, "height": 1, "points": [[0, 0], [5, 0]]}\n', "line 1: [5,0] lies beyond the width 2"],
  ["b.json", '{\n  "width": 3,\n  "height": 2,\n  "points": [\n    [1, 1],\n    [0, 0]\n  ]\n}\n', "line 6: [1,1] comes before [0,0]"],
  ["c.json", '{"width": 1, "height": 1, "points": [[0, -1]]}', "line 1: y is not a whole number"],
  ["d.json", '{"width": 1, "points": []}', "there is no \"height\""],
  ["e.json", '{"width": 1, "height": 1, "points": []} x', "line 1: the object has ended"],
  ["f.json", '{"width": 1, "height": 1, "width": 1, "points": []}', "line 1: \"width\" comes twice"],
  ["g.txt", '[{"width": 1}]', "starts as a coordinate listing does"],
  ["h.csv", "X,Y\n0,0\n", "line 1: the first line is not \"x,y\""],
  ["i.csv", "x,y\r\n1,0\r\n0,0\r\n", "line 3: [1,0] comes before [0,0]"],
  ["j.csv", "x,y\n0,0\n\n1,1\n", "line 3: the line is not \"x,y\""],
  ["k.h", "/* k */\n#define k_WIDTH 9\n#define k_HEIGHT 1\nstatic const unsigned char k[] = {\n    0xff, 0x40,\n};\n",
    "line 5: a bit past the row's 9 cells is set"],
  ["l.h", "/* l */\n#define l_WIDTH 8\n#define m_HEIGHT 1\n", "line 3: the line is not \"#define l_HEIGHT\""],
  ["m.h", "/* m */\n#define m_WIDTH 8\n#define m_HEIGHT 2\nstatic const unsigned char m[] = {\n    0xff,\n};\n",
    "line 6: row 1 of 2 is not 1 byte"],
  ["n.h", "/* n */\n#define n_WIDTH 1000\n#define n_HEIGHT 1000\n", "line 3: 1000 by 1000 cells would take 1,001,000 bytes"],
  ["o.h", "/* o */\n#define o_WIDTH 8\n#define o_HEIGHT 1\nstatic const unsigned char o[] = {\n    0x01,\n};\nint x;\n",
    "line 7: there is more after the array's end"],
];

const FORMS = { png: ".png", json: ".json", csv: ".csv", c: ".h" };
const pngs = new Map();  // a PNG's sha256 by its map, from the first engine

// The map's rows as this test counts them: the cells of each line with
// any, a cell being an O or a full stop.
const rowsOf = (text) => text.split("\n").map((l) => [...l].filter((c) => c === "O" || c === ".").length).filter((n) => n > 0);

// The listing the native tool writes for the map: its size and points.
function listingOf(page, text) {
  const path = page.file("form.map", bin(text));
  execFileSync(page.tool, [path, `${path}.lst`]);
  const listing = readFileSync(`${path}.lst`, "latin1"), lines = listing.split("\n").slice(0, -1);
  const [w, h] = lines[0].match(/\d+/g).map(Number);
  return { listing, w, h, points: lines.slice(1).map((l) => l.match(/\d+/g).map(Number)) };
}

function want(form, text, { w, h, points }, eol) {
  if (form === "json") return `{"width": ${w}, "height": ${h}, "points": [${points.map(([x, y]) => `[${x}, ${y}]`).join(", ")}]}${eol}`;
  if (form === "csv") return `x,y${eol}${points.map(([x, y]) => `${x},${y}${eol}`).join("")}`;
  const rows = rowsOf(text), wide = Math.max(...rows), n = Math.ceil(wide / 8), bits = rows.map(() => new Uint8Array(n));
  for (const [x, y] of points) bits[y][x >> 3] |= 0x80 >> (x & 7);
  const hex = (b) => `0x${b.toString(16).padStart(2, "0")}`;
  return [`/* test: ${wide} by ${h} cells, a bit a cell, 1 marked; each row in ${n} bytes, its leftmost cell in the most ` +
    "significant bit. */", `#define test_WIDTH ${wide}`, `#define test_HEIGHT ${h}`, "static const unsigned char test[] = {",
    ...bits.map((r) => `    ${[...r].map(hex).join(", ")},`), "};", ""].join(eol);
}

// The PNG decoded here: every chunk's CRC, its header, and the colour of
// each pixel, "k" black, "w" white, "t" transparent, a string a row.
function decodePNG(png) {
  const chunks = {};
  for (let at = 8; at < png.length;) {
    const n = png.readUInt32BE(at), type = png.toString("latin1", at + 4, at + 8);
    if (crc32(png.subarray(at + 4, at + 8 + n)) !== png.readUInt32BE(at + 8 + n)) throw new Error(`PNG: ${type}'s CRC`);
    chunks[type] = Buffer.concat([chunks[type] ?? Buffer.alloc(0), png.subarray(at + 8, at + 8 + n)]);
    at += 12 + n;
  }
  const w = chunks.IHDR.readUInt32BE(0), h = chunks.IHDR.readUInt32BE(4), raw = inflateSync(chunks.IDAT);
  const palette = [0, 1, 2].map((i) => [...chunks.PLTE.subarray(3 * i, 3 * i + 3), chunks.tRNS[i] ?? 255].join(","));
  const colour = { "0,0,0,255": "k", "255,255,255,255": "w" }, stride = Math.ceil(w / 4) + 1, rows = [];
  if (raw.length !== stride * h) throw new Error(`PNG: ${raw.length} bytes of rows, not ${stride * h}`);
  for (let y = 0; y < h; y++) {
    if (raw[y * stride] !== 0) throw new Error("PNG: a row filtered");
    let row = "";
    for (let x = 0; x < w; x++) {
      const c = palette[raw[y * stride + 1 + (x >> 2)] >> (6 - 2 * (x & 3)) & 3];
      row += colour[c] ?? (c.endsWith(",0") ? "t" : "?");
    }
    rows.push(row);
  }
  return { head: [w, h, ...chunks.IHDR.subarray(8)], rows };
}

function wantPNG(text, { points }) {
  const rows = rowsOf(text), wide = Math.max(...rows), px = rows.map((n) => [..."w".repeat(n).padEnd(wide, "t")]);
  for (const [x, y] of points) px[y][x] = "k";
  return { head: [wide, rows.length, 2, 3, 0, 0, 0], rows: px.map((r) => r.join("")) };
}

const choose = (page, form) => page.js(`const s = document.getElementById("form"); s.value = arguments[0];
  s.dispatchEvent(new Event("change"));`, form);
// The form downloaded with these line ends, and copied: whether the text
// copied is the file's.
async function saveForm(page, ends) {
  const copied = await page.js(`document.querySelector('input[name="ends"][value="' + arguments[0] + '"]').click();
    let clip = null;
    Object.defineProperty(navigator, "clipboard", { configurable: true, value: { writeText: async (text) => { clip = text; } } });
    const copy = document.getElementById("form-copy");
    if (!copy.disabled) copy.click();
    for (let i = 0; i < 100 && !copy.disabled && clip === null; i++) await new Promise((r) => setTimeout(r, 20));
    document.getElementById("form-download").click();
    return copy.disabled ? null : clip === await saved.at(-1).blob.text();`, ends);
  return { copied, ...(await page.saved()) };
}
const pointsOf = (listing) => listing.toString("latin1").split("\n").slice(1).join("\n");

export async function forms(page) {
  await page.fresh();
  for (const [name, text, only] of MAPS) {
    const native = listingOf(page, text);
    await page.load(bin(text));
    const rows = rowsOf(text);
    for (const [form, ext] of Object.entries(FORMS).filter(([f]) => !only || only.includes(f))) {
      await choose(page, form);
      const can = await page.js("return !document.getElementById('form-download').disabled");
      check(`${name}, ${form}: offered`, can, native.h > 0 || form === "json" || form === "csv");
      if (!can) continue;
      for (const ends of form === "png" ? ["lf"] : ["lf", "crlf"]) {
        const out = await saveForm(page, ends);
        check(`${name}, ${form}, ${ends}: its name`, out.name, `test${ext}`);
        if (form === "png") {
          let decoded;
          try {
            decoded = decodePNG(out.bytes);
          } catch (e) {
            decoded = e.message;
          }
          check(`${name}, png: decoded`, decoded, wantPNG(text, native));
          const sum = pngs.get(name) ?? sha256(out.bytes);
          pngs.set(name, sum);
          check(`${name}, png: the same file in every engine`, sha256(out.bytes), sum);
          check(`${name}, png: not copied`, out.copied, null);
        } else {
          const bytes = want(form, text, native, ends === "crlf" ? "\r\n" : "\n");
          check(`${name}, ${form}, ${ends}: its bytes`, sha256(out.bytes), sha256(bin(bytes)));
          check(`${name}, ${form}, ${ends}: copied as the file`, out.copied, true);
        }
        // Opened back, then the map of the table again.
        await page.load(out.bytes, `back${ext}`);
        const back = (await page.download("lf")).bytes;
        const same = form === "json" || (form === "png" && new Set(rows).size <= 1);
        check(`${name}, ${form}, ${ends}: opened back`, [await page.text("opened"), same ? back.toString("latin1") : pointsOf(back)],
          ["", same ? native.listing : pointsOf(Buffer.from(native.listing, "latin1"))]);
        if (form === "c") {
          const wide = Math.max(...rows), cells = rows.map(() => [...".".repeat(wide)]);
          for (const [x, y] of native.points) cells[y][x] = "O";
          check(`${name}, c, ${ends}: the map of the header`, (await page.mapText()), cells.map((r) => r.join("") + "\n").join(""));
        }
        await page.load(bin(text));
      }
    }
  }
  // Refused: said on its line, the map shown as it was.
  await page.load(bin("O.\n"));
  for (const [file, bytes, says] of REFUSED) {
    await page.load(bin(expand(bytes)), file);
    for (let i = 0; !(await page.text("opened")) && i < 50; i++) await sleep(50);
    const opened = await page.text("opened");
    check(`${file} refused: ${says}`, [opened.includes(says) && opened.endsWith("The map in the page is as it was."),
      (await page.saveMap()).bytes.toString("latin1")], [true, "O.\n"]);
    if (!opened.includes(says)) console.log(`  said: ${opened}`);
  }
}

// The Maps list, in the page in front, shown anew once the last step is
// kept.
async function list(page) {
  await page.kept();
  await page.js("delete document.body.dataset.mapsMs; document.getElementById('maps').click()");
  for (let i = 0; i < 50 && !(await page.js("return document.body.dataset.mapsMs")); i++) await sleep(50);
}
const listed = (page) => page.js(`return [...document.querySelectorAll("#maps-list li")]
  .map((li) => li.querySelector("strong").textContent + (li.getAttribute("aria-current") ? "*" : "")).join(" ")`);
// A line's button by its text, in the first line of that name.
const press = (page, name, text) => page.js(`const li = [...document.querySelectorAll("#maps-list li")]
    .find((li) => li.querySelector("strong").textContent === arguments[0]);
  [...li.querySelectorAll("button")].find((b) => b.textContent === arguments[1]).click();`, name, text);

// What the offer holds: code point in hex, count and choice, a row each;
// "-" where none stands.
const offered = (page) => page.js(`if (document.getElementById("charset").hidden) return "-";
  return [...document.querySelectorAll("#charset select")].map((s) => s.dataset.char.codePointAt(0).toString(16) + ":" +
    s.closest("tr").cells[1].textContent.replace(/,/g, "") + ":" + s.value).join(" ");`);

export const MORE_ACTIONS = {
  loadas: (page, [name], rest) => page.load(bin(expand(rest.slice(name.length).trim())), name),
  async list(page, [what, name, to]) {
    await list(page);
    await page.js("delete document.body.dataset.mapsMs");
    if (what === "open") return page.update(() => press(page, name, "Open"));
    await press(page, name, { rename: "Rename", delete: "Delete", spare: "Delete" }[what]);
    if (what === "rename") {
      await page.js(`const f = document.querySelector("#maps-list form"); f.querySelector("input").value = arguments[0];
        f.querySelector("button[type=submit]").click();`, to);
    } else {
      await page.js(`document.querySelector("#maps-list .ask button:${what === "delete" ? "first-of-type" : "last-of-type"}").click()`);
    }
    for (let i = 0; i < 50 && !(await page.js("return document.body.dataset.mapsMs")); i++) await sleep(50);
  },
  async listed(page, words, rest) {
    await list(page);
    let got = await listed(page);
    for (let i = 0; i < 30 && got !== rest; i++, got = await listed(page)) await sleep(100);
    check(`${page.row}: listed`, got, rest);
  },
  offered: async (page, words, rest) => check(`${page.row}: offered`, await offered(page), rest),
  // Choices: hex=marked|blank|out.
  offer: (page, choices) => page.js(`for (const c of arguments[0]) {
      const [code, value] = c.split("="), s = [...document.querySelectorAll("#charset select")]
        .find((s) => s.dataset.char.codePointAt(0) === parseInt(code, 16));
      s.value = value;
      s.dispatchEvent(new Event("change"));
    }`, choices),
  confirm: (page) => page.update(() => page.click("charset-go")),
};

// The hosted page opens without moving, on a phone's screen over a slow
// network, fresh and with the map kept last brought back: its layout
// shifts add up to less than 0.1. Search engines find its description
// and may read the site.
export async function opening(page) {
  const { b } = page, room = join(ROOT, "examples/room.map");
  const observer = await b.preload(`window.shifts = 0;
    new PerformanceObserver((l) => { for (const e of l.getEntries()) if (!e.hadRecentInput) shifts += e.value; })
      .observe({ type: "layout-shift", buffered: true });`);
  const slow = async (on) => {
    await b.page.setViewport(on ? { width: 360, height: 740, deviceScaleFactor: 2, isMobile: true, hasTouch: true }
      : { width: 1280, height: 900 });
    await b.cdp("Network.setBypassServiceWorker", { bypass: on });
    await b.cdp("Network.setCacheDisabled", { cacheDisabled: on });
    await b.cdp("Network.emulateNetworkConditions", { offline: false, latency: on ? 150 : 0,
      downloadThroughput: on ? 200000 : -1, uploadThroughput: on ? 94000 : -1 });
    await b.cdp("Emulation.setCPUThrottlingRate", { rate: on ? 4 : 1 });
  };
  try {
    await slow(true);
    for (const kept of [false, true]) {
      await page.fresh();
      if (kept) {
        await page.loadPath(room);
        await page.kept();
        await page.open();
      }
      await page.frames();
      const [shifts, line] = await page.js("return [shifts, document.getElementById('kept').textContent]");
      check(`hosted, opening${kept ? " with a map brought back" : ""}: layout shift under 0.1`,
        [shifts < 0.1 ? "under 0.1" : shifts, line.startsWith("Brought back")], ["under 0.1", kept]);
    }
  } finally {
    await slow(false);
    await b.page.removeScriptToEvaluateOnNewDocument(observer.identifier);
  }
  check("hosted: a description and robots.txt", [
    (await page.js("return document.querySelector('meta[name=description]').content")).includes("coordinate listing"),
    await (await fetch(new URL("robots.txt", page.url))).text()], [true, "User-agent: *\nAllow: /\n"]);
}
