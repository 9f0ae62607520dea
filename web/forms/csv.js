// CSV: the line "x,y", then a line "x,y" for each point of the listing, in
// its order. It holds no size: read back, the map is the smallest that
// holds the points, each row as wide as the widest.
import { join } from "../bytes.js";
import { headOf, pointLines, points, refuse, textOf } from "./text.js";

function read(bytes) {
  const rows = textOf(bytes).split("\n");
  if (rows.at(-1) === "") rows.pop();
  const lines = rows.map((r) => r.replace(/\r$/, ""));
  if (lines[0] !== "x,y") refuse(1, "the first line is not \"x,y\"");
  let w = 0, h = 0;
  const list = lines.slice(1).map((l, i) => {
    const m = /^(0|[1-9][0-9]{0,8}),(0|[1-9][0-9]{0,8})$/.exec(l);
    if (!m) refuse(i + 2, "the line is not \"x,y\": two whole numbers, 0 or more, below a billion, and a comma between");
    w = Math.max(w, +m[1] + 1);
    h = Math.max(h, +m[2] + 1);
    return [+m[1], +m[2]];
  });
  return { listing: { w, h, body: pointLines(list), line: (n) => n } };
}

export default {
  name: "csv", title: "CSV", label: "CSV of the listing", ext: ".csv", type: "text/csv", text: true, from: "a CSV file",
  sniff: (bytes) => headOf(bytes).startsWith("x,y"),
  write: ({ body, eol }) => join(`x,y${eol}`, points(body, "", ",", eol, "")),
  read,
};
