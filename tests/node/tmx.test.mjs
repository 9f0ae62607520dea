// The Tiled map: rendered by Tiled's own tmxrasterizer at one pixel a
// tile, its pixels read by Pillow, against the map's rows (black marked,
// white blank, transparent past a short row's end); read back in each
// encoding Tiled writes; and refused at the line and column at fault.
import { test } from "node:test";
import assert from "node:assert/strict";
import { execFileSync } from "node:child_process";
import { mkdtempSync, writeFileSync } from "node:fs";
import { tmpdir } from "node:os";
import { join } from "node:path";
import { deflateSync, gzipSync } from "node:zlib";
import { FORMS, Refusal } from "../../web/forms/index.js";
import { bytes, mapOf } from "./rows.mjs";

const tmx = FORMS.find((f) => f.name === "tmx"), dir = mkdtempSync(join(tmpdir(), "tmx-"));
const MAPS = [["O.O", ".O.", "OOO"], ["O.........O", ".O", "", "O"], ["O"], ["........O", "O"], ["...", "..."],
  [".".repeat(33), "O".repeat(17)], ["O.".repeat(40)], Array.from({ length: 9 }, (_, y) => "O".repeat(y + 1))];

test("rendered by tmxrasterizer, a pixel a tile, as the map's cells", () => {
  for (const [i, rows] of MAPS.entries()) {
    writeFileSync(join(dir, "m.tmx"), tmx.write(mapOf(rows, { eol: i % 2 ? "\r\n" : "\n" })));
    execFileSync("tmxrasterizer", ["--tilesize", "1", "--no-smoothing", "m.tmx", "m.png"], { cwd: dir, stdio: "ignore",
      env: { ...process.env, QT_QPA_PLATFORM: "offscreen" } });
    const got = execFileSync("/usr/bin/python3", ["-c", `from PIL import Image
im = Image.open("m.png").convert("RGBA")
key = {(0, 0, 0, 255): "O", (255, 255, 255, 255): ".", (0, 0, 0, 0): " "}
print("\\n".join("".join(key.get(im.getpixel((x, y)), "?") for x in range(im.width)) for y in range(im.height)))`],
    { cwd: dir }).toString();
    assert.equal(got.split("\n").map((r) => r.trimEnd()).join("\n"), `${rows.join("\n")}\n`, rows.join("/"));
  }
});

// The rows a read gives: a tile of the first tileset blank, any other
// marked; each row ended after its last tile. Or the refusal as said.
async function read(text) {
  try {
    const { block: { w, h, cells, ends } } = await tmx.read(typeof text === "string" ? bytes(text) : text,
      { capacity: 1000000 });
    return Array.from({ length: h }, (_, y) => Array.from(cells.subarray(y * w, y * w + ends[y]), (v) => ".O"[v]).join("")).join("/");
  } catch (e) {
    if (!(e instanceof Refusal)) throw e;
    return `${e.line}:${e.column}: ${e.reason}`;
  }
}

test("read back, as written and in each encoding of the layer", async () => {
  for (const rows of MAPS) assert.equal(await read(tmx.write(mapOf(rows))), rows.join("/"));
  const ids = new Uint8Array(new Uint32Array([2, 1, 0x80000002, 0, 2, 0]).buffer), b64 = (b) => Buffer.from(b).toString("base64");
  const doc = (data, tileset = '<tileset firstgid="1"/>') => `<?xml version="1.0"?>\n<map width="3" height="2">${tileset}\n` +
    `<layer id="1" name="a" width="3" height="2">\n  ${data}\n</layer></map>`;
  for (const [text, want] of [
    [doc(`<data encoding="base64">${b64(ids)}</data>`), "O.O/.O"],
    [doc(`<data encoding="base64" compression="zlib">\n ${b64(deflateSync(ids))}\n</data>`), "O.O/.O"],
    [doc(`<data encoding="base64" compression="gzip">${b64(gzipSync(ids))}</data>`), "O.O/.O"],
    [doc('<data encoding="csv">5,6,5,\n0,5,0</data>', '<tileset firstgid="5" source="x.tsx"/>'), ".O./.."],
    [doc('<data encoding="csv">2,1,2,\n0,1,x</data>'), "5:5: tile 5: a tile ID expected, but “x” stands there"],
    [doc('<data encoding="csv">2,1,2,\n0,1</data>'), "4:24: the layer's data holds 5 tiles; it is 3 × 2"],
    [doc('<data encoding="csv">2,1,2,\n0,1,\0</data>'), "5:5: tile 5: a tile ID expected, but NUL (U+0000) stands there"],
    [doc(`<data encoding="base64">${b64(ids.subarray(4))}</data>`), "4:27: the layer's data holds 20 bytes; 3 × 2 tiles take 24"],
    [doc('<data encoding="base64" compression="zlib">AAAA</data>'), "4:46: the layer's data is damaged: zlib cannot read it"],
    [doc('<data encoding="base64" compression="zstd">AAAA</data>'), "4:3: the layer's data is compressed by zstd, which is not read"],
    [doc("<data><tile gid=\"1\"/></data>"), "4:3: the layer's data is encoded as XML elements, not as CSV or base64"],
    ['<map infinite="1"><layer width="1" height="1"/></map>', "1:1: the map is infinite: its layer is in chunks, which are not read"],
    ["<map>\n<objectgroup/></map>", "1:6: there is no tile layer (<layer>)"],
    ["<tileset/>", "0:0: there is no <map> element"],
  ]) assert.equal(await read(text), want, text);
});
