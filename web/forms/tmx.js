// A Tiled map (TMX): orthogonal, one tile layer of the map's cells as
// tile IDs in CSV, 1 blank, 2 marked, 0 (no tile) past a short row's end;
// and a tileset of those two tiles of 8 × 8 pixels, white and black, each
// its own picture inside the file, as a collection of images, so that the
// one file is enough: Tiled 1.8 draws no tileset whose one picture is
// inside the file. Read back: the first tile layer, its data in CSV,
// base64, or base64 compressed by zlib or gzip; a tile of the layer's
// first tileset blank, any other marked, 0 none, each row ended after its
// last tile.
import { count, encoder, inflate } from "../bytes.js";
import { headOf, refuse, shown, textOf } from "./text.js";
import { fitting } from "./fit.js";

const TILE = 8;
const WHITE = "iVBORw0KGgoAAAANSUhEUgAAAAgAAAAICAIAAABLbSncAAAAD0lEQVR42mP4jwMwDC0JALoev0GJ6La7AAAAAElFTkSuQmCC";
const BLACK = "iVBORw0KGgoAAAANSUhEUgAAAAgAAAAICAIAAABLbSncAAAADElEQVR42mNgGB4AAADIAAGTvaWOAAAAAElFTkSuQmCC";

function write({ w, h, rowStart, cells, eol }) {
  const image = (id, data) => ` <tile id="${id}"><image width="${TILE}" height="${TILE}" format="png">` +
    `<data encoding="base64">${data}</data></image></tile>`;
  const head = encoder.encode([`<?xml version="1.0" encoding="UTF-8"?>`,
    `<map version="1.8" orientation="orthogonal" renderorder="right-down" width="${w}" height="${h}" tilewidth="${TILE}" ` +
    `tileheight="${TILE}" infinite="0" nextlayerid="2" nextobjectid="1">`,
    `<tileset firstgid="1" name="cells" tilewidth="${TILE}" tileheight="${TILE}" tilecount="2" columns="0">`,
    ` <grid orientation="orthogonal" width="1" height="1"/>`, image(0, WHITE), image(1, BLACK), "</tileset>",
    `<layer id="1" name="cells" width="${w}" height="${h}">`, `<data encoding="csv">`, ""].join(eol));
  const tail = encoder.encode(`${eol}</data>${eol}</layer>${eol}</map>${eol}`), end = encoder.encode(eol);
  // Each cell a digit and a comma; the last of the layer no comma.
  const out = new Uint8Array(head.length + h * (2 * w + end.length) + tail.length);
  out.set(head);
  let at = head.length;
  for (let y = 0; y < h; y++) {
    const s = rowStart[y], len = rowStart[y + 1] - s;
    for (let x = 0; x < len; x++, at += 2) {
      out[at] = 49 + cells[s + x];
      out[at + 1] = 44;
    }
    for (let x = len; x < w; x++, at += 2) {
      out[at] = 48;
      out[at + 1] = 44;
    }
    if (y < h - 1) at = (out.set(end, at), at + end.length);
  }
  out.set(tail, at - 1);
  return out.subarray(0, at - 1 + tail.length);
}

// The attributes of the first element `name` from `from`, with where it starts.
function element(text, name, from = 0) {
  const m = new RegExp(`<${name}(?=[\\s/>])([^>]*)>`, "g");
  m.lastIndex = from;
  const got = m.exec(text);
  if (!got) return null;
  const attrs = Object.fromEntries([...got[1].matchAll(/([\w:-]+)\s*=\s*(?:"([^"]*)"|'([^']*)')/g)].map((a) => [a[1], a[2] ?? a[3]]));
  return { attrs, at: got.index, end: m.lastIndex, empty: got[1].endsWith("/") };
}
const lineAt = (text, at) => text.slice(0, at).split("\n").length;
const columnAt = (text, at) => at - text.lastIndexOf("\n", at - 1);
const size = (v) => /^[1-9][0-9]{0,6}$/.test(v ?? "") ? +v : 0;

// The IDs of CSV data, a digit code at a time, into ids: false where it
// is anything but as many IDs, commas between, with spaces about them.
function csv(body, ids) {
  let at = 0, n = 0;
  const space = () => {
    for (let c = body.charCodeAt(at); c === 32 || c === 10 || c === 13 || c === 9; c = body.charCodeAt(++at));
  };
  for (space(); n < ids.length; n++) {
    let v = 0, c = body.charCodeAt(at);
    const from = at;
    for (; c >= 48 && c <= 57 && at - from < 10; c = body.charCodeAt(++at)) v = 10 * v + c - 48;
    if (at === from || v > 0xffffffff) return false;
    ids[n] = v;
    space();
    if (body.charCodeAt(at) === 44) at++;
    else if (n < ids.length - 1) return false;
    space();
  }
  return at === body.length;
}

async function read(bytes, { capacity }) {
  const text = textOf(bytes), map = element(text, "map");
  if (!map) refuse(0, "there is no <map> element");
  const say = (at, why) => refuse(lineAt(text, at), why, columnAt(text, at));
  if (map.attrs.infinite === "1") say(map.at, "the map is infinite: its layer is in chunks, which are not read");
  const layer = element(text, "layer", map.end);
  if (!layer) say(map.end, "there is no tile layer (<layer>)");
  const w = size(layer.attrs.width), h = size(layer.attrs.height);
  if (!w || !h) say(layer.at, "the layer's width and height are not whole numbers from 1 to 9,999,999");
  if (w * h > 64 << 20) say(layer.at, `the layer's ${w} × ${h} tiles are too many for a map`);
  const data = element(text, "data", layer.end);
  if (!data || data.empty) say(layer.end, "the layer has no <data>");
  const { encoding, compression } = data.attrs, close = text.indexOf("</data>", data.end);
  if (close < 0) say(data.at, "the layer's <data> never ends");
  const ids = new Uint32Array(w * h), body = text.slice(data.end, close);
  if (encoding === "csv" && csv(body, ids)) {
    // Read at once.
  } else if (encoding === "csv") {
    const re = /\s*([0-9]{1,10})\s*(,|$)/y;
    let n = 0;
    for (re.lastIndex = 0; n < ids.length && re.lastIndex < body.length; n++) {
      const from = re.lastIndex, m = re.exec(body);
      if (!m || +m[1] > 0xffffffff) {
        const at = data.end + from + body.slice(from).search(/\S|$/);
        say(at, `tile ${n}: a tile ID expected, but ${at < close ? shown(String.fromCodePoint(text.codePointAt(at))) : "the data ends"} stands there`);
      }
      ids[n] = +m[1];
      if (!m[2]) { n++; break; }
    }
    if (n !== ids.length || /\S/.test(body.slice(re.lastIndex))) say(data.end, `the layer's data holds ${n < ids.length ? count(n, "tile") : "more tiles"}; it is ${w} × ${h}`);
  } else if (encoding === "base64") {
    let raw;
    try {
      raw = Uint8Array.from(atob(body.replace(/\s+/g, "")), (c) => c.charCodeAt(0));
    } catch {
      say(data.end, "the layer's data is not base64");
    }
    if (compression === "zlib" || compression === "gzip") {
      try {
        raw = await inflate([raw], compression === "zlib" ? "deflate" : "gzip", 4 * ids.length + 1);
      } catch {
        say(data.end, `the layer's data is damaged: ${compression} cannot read it`);
      }
    } else if (compression) say(data.at, `the layer's data is compressed by ${compression}, which is not read`);
    if (raw.length !== 4 * ids.length) say(data.end, `the layer's data holds ${count(raw.length, "byte")}; ${w} × ${h} tiles take ${(4 * ids.length).toLocaleString("en")}`);
    const view = new DataView(raw.buffer, raw.byteOffset);
    for (let i = 0; i < ids.length; i++) ids[i] = view.getUint32(4 * i, true);
  } else say(data.at, `the layer's data is encoded as ${encoding ? `“${encoding}”` : "XML elements"}, not as CSV or base64`);
  // The flags of a tile's turns and flips stand in its top bits.
  const first = size(element(text, "tileset", map.end)?.attrs.firstgid) || 1, cells = new Uint8Array(w * h), ends = new Uint32Array(h);
  for (let y = 0; y < h; y++) {
    for (let x = 0; x < w; x++) {
      const id = ids[y * w + x] & 0x0fffffff;
      if (!id) continue;
      cells[y * w + x] = id === first ? 0 : 1;
      ends[y] = x + 1;
    }
  }
  return { block: fitting({ w, h, cells, ends }, capacity) };
}

export default {
  name: "tmx", title: "TMX", label: "Tiled map (TMX)", ext: ".tmx", type: "application/x-tiled-tmx", text: true, cells: true,
  from: "a Tiled map",
  sniff: (bytes) => /^\s*(<\?xml[^>]*\?>\s*)?(<!--[^]*?-->\s*)*<map[\s>]/.test(headOf(bytes)),
  write,
  read,
};
