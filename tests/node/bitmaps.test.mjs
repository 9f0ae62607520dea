// The bitmap forms held against programs this project did not write: the
// C headers compiled by gcc and g++ in four standards, two maps' headers
// in one unit and each included twice, for names that C, C++ and their
// headers take; a program drawing each byte order by the layouts the
// display libraries document; XBM and PBM read by Pillow (which gives an
// XBM's set bits as white, its own choice) and netpbm.
import { test } from "node:test";
import assert from "node:assert/strict";
import { execFileSync } from "node:child_process";
import { mkdtempSync, writeFileSync } from "node:fs";
import { tmpdir } from "node:os";
import { join } from "node:path";
import { FORMS } from "../../web/forms/index.js";
import { identifier } from "../../web/forms/names.js";
import { mapOf } from "./rows.mjs";

const [, , , c, xbm, pbm, pbm4] = FORMS, dir = mkdtempSync(join(tmpdir(), "bitmaps-"));
const run = (cmd, args, input) => execFileSync(cmd, args, { cwd: dir, input, maxBuffer: 1 << 26 }).toString();
const padded = (rows) => rows.map((r) => r.padEnd(Math.max(...rows.map((q) => q.length)), ".")).join("\n") + "\n";
const ROWS = ["O.O......O", ".O", "", "OOOOOOOOOOOOOOOOO", "O", "O", "O", "O", "O........O"];

const HOSTILE = ["class.map", "new", "delete", "this", "template", "operator", "friend", "try", "using", "public", "and", "or",
  "not", "xor", "bitand", "compl", "main", "NULL", "EOF", "errno", "printf", "abs", "stdin", "time", "INT_MAX", "wchar_t",
  "char8_t", "concept", "requires", "co_await", "int", "café", "ñandú", "日本", "2d", "", "...", "__x__", "room", "room_WIDTH",
  "room_H", "uint8_t", "sinf", "EPERM", "M_PI", "y0", "index"];
const USUAL = ["stdio", "stdlib", "string", "stdint", "limits", "errno", "time", "math", "ctype", "stddef"].map((h) => `#include <${h}.h>`);

test("C headers compile in C99, C17, C++17 and C++20, each twice, beside each other", () => {
  for (const flavour of ["plain", "arduino"]) {
    const unit = [...USUAL], uses = [];
    HOSTILE.forEach((name, i) => {
      writeFileSync(join(dir, `m${i}.h`), c.write(mapOf(ROWS, { name, options: { flavour, order: ["msb", "lsb", "vertical"][i % 3] } })));
      unit.push(`#include "m${i}.h"`, `#include "m${i}.h"`);
      const id = identifier(name);
      uses.push(`${id}[0] + ${id}_WIDTH + ${id}_HEIGHT`);
    });
    unit.push(`int main(void) { return ${uses.join(" + ")} > 0 ? 0 : 1; }`, "");
    writeFileSync(join(dir, "unit.c"), unit.join("\n"));
    for (const [cc, std] of [["gcc", "c99"], ["gcc", "c17"], ["g++", "c++17"], ["g++", "c++20"]]) {
      run(cc, [`-std=${std}`, "-Wall", "-Wextra", "-Werror", "-pedantic", ...cc === "g++" ? ["-x", "c++"] : [], "unit.c", "-o", "unit"]);
      run("./unit", []);
    }
  }
});

// The bytes drawn as Adafruit GFX's drawBitmap (rows, most significant bit
// first), u8g2's drawXBM (rows, least significant first) and an SSD1306's
// pages (8 rows a byte, the top row in bit 0) read them.
const DRAW = {
  msb: "(m[y * ((W + 7) / 8) + x / 8] & (0x80 >> (x & 7)))",
  lsb: "(m[y * ((W + 7) / 8) + x / 8] >> (x & 7) & 1)",
  vertical: "(m[(y / 8) * W + x] >> (y & 7) & 1)",
};
test("each byte order drawn by its display's layout", () => {
  for (const [order, bit] of Object.entries(DRAW)) {
    writeFileSync(join(dir, "m.h"), c.write(mapOf(ROWS, { options: { order } })));
    writeFileSync(join(dir, "draw.c"), `#include <stdio.h>\n#include "m.h"\n#define W m_WIDTH\nint main(void) {
      for (int y = 0; y < m_HEIGHT; y++) { for (int x = 0; x < W; x++) putchar(${bit} ? 'O' : '.'); putchar('\\n'); } return 0; }\n`);
    run("gcc", ["draw.c", "-o", "draw"]);
    assert.equal(run("./draw", []), padded(ROWS), order);
  }
});

const MAPS = [ROWS, ["O"], ["........O", "O"], [".".repeat(33), "O".repeat(33)], ["O.".repeat(40)]];
test("XBM and PBM read by Pillow and netpbm", () => {
  for (const rows of MAPS) {
    for (const [form, ext] of [[xbm, "xbm"], [pbm, "pbm"], [pbm4, "pbm"]]) {
      writeFileSync(join(dir, `m.${ext}`), form.write(mapOf(rows)));
      const pillow = run("/usr/bin/python3", ["-c", `from PIL import Image
im = Image.open("m.${ext}").convert("1")
print("\\n".join("".join("O" if (im.getpixel((x, y)) == 0) == ${ext === "pbm" ? "True" : "False"} else "." for x in range(im.width)) for y in range(im.height)))`]);
      const netpbm = run("sh", ["-c", ext === "xbm" ? "xbmtopbm m.xbm | pnmtoplainpnm" : "pnmtoplainpnm m.pbm"]).split("\n");
      const cells = netpbm.slice(2).join("").replace(/\s/g, "");
      const w = +netpbm[1].split(" ")[0];
      assert.equal(pillow, padded(rows), `${form.name} ${rows[0]}`);
      assert.equal(cells.replace(/1/g, "O").replace(/0/g, ".").match(new RegExp(`.{${w}}`, "g")).join("\n") + "\n", padded(rows), form.name);
    }
  }
});
