// Every row of the command-line case table that converts a map, through
// the page's file input: the same message, the same listing with either
// line end, and that listing opened back as the same map.
import { execFileSync } from "node:child_process";
import { mkdirSync, readFileSync, statSync } from "node:fs";
import { basename, join } from "node:path";
import { ROOT, check, sha256, unnumbered } from "./page.mjs";

// The messages a map itself brings about; the others are about paths,
// pipes and disks, which a page does not have.
const MAP_MESSAGES = /^(Unexpected character .*|infile too large)\n$/s;
const form = (args, cwd) => execFileSync("bash", [join(ROOT, "tests/cli/forms.sh"), ...args], { cwd });

export async function cases(page) {
  let n = 0;
  await page.fresh();
  for (const [i, line] of readFileSync(join(ROOT, "tests/cli/cases.tsv"), "utf8").split("\n").entries()) {
    if (!line.trim() || line.trimStart().startsWith("#")) continue;
    const [name, on, args, files, status, stderr, out] = line.split("|").map((f) => f.trim());
    const folder = join(page.scratch, `case${i}`);
    mkdirSync(folder, { recursive: true });
    form(["files", files], folder);
    const words = form(["long", args]).toString().split(/\s+/).filter(Boolean);
    const message = form(["content", stderr]).toString();
    if (on === "windows" || words.length !== 2 || !statSync(join(folder, words[0]), { throwIfNoEntry: false })?.isFile() ||
        !(message === "" || MAP_MESSAGES.test(message))) continue;
    n++;
    await page.loadPath(join(folder, words[0]));
    check(`${name}: message`, await page.text("message"), message);
    check(`${name}: download offered`, await page.js("return !document.getElementById('download').disabled"), status === "0");
    if (status !== "0") continue;
    const lf = await page.download("lf"), crlf = await page.download("crlf");
    const want = out.startsWith("sha256:") ? out.slice(7) : sha256(form(["want", out]));
    check(`${name}: listing`, [sha256(lf.bytes), unnumbered(lf.name)],
      [want, basename(words[0]).replace(/(.)\.[^.]*$/, "$1") + ".lst"]);
    check(`${name}: CR LF`, crlf.bytes.toString("latin1"), lf.bytes.toString("latin1").replace(/\n/g, "\r\n"));
    for (const [ends, listing] of [["LF", lf], ["CR LF", crlf]]) {
      await page.load(listing.bytes, "back.lst");
      check(`${name}: its ${ends} listing opened as a map`, sha256((await page.download("lf")).bytes), want);
    }
  }
  return n;
}
