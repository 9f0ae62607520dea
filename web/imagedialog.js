// The image's dialog: the image and the map it would make side by
// side, redrawn as each setting changes (dither.js makes the cells).
// Open writes the map as one step; Esc or Cancel changes nothing.
import { $, count } from "./page.js";
import { CAPACITY } from "./conversion.js";
import { blockBytes, mapSize } from "./block.js";
import { replace } from "./document.js";
import { blockScale, cells, frame, sample, values } from "./dither.js";
import { readyToDraw } from "./tools/drawing.js";

const DISPLAYS = ["8×8", "16×16", "32×8", "32×32", "64×32", "84×48", "128×32", "128×64", "240×240"];
const ANCHORS = ["top left", "top", "top right", "left", "centre", "right", "bottom left", "bottom", "bottom right"];
const option = (value, text) => `<option value="${value}">${text}</option>`;
const choice = (id, label, options) =>
  `<label>${label} <select id="image-${id}">${options.map(([v, t]) => option(v, t)).join("")}</select></label>`;

// Made when first opened, so that a page that opens no image has none.
function build() {
  const dialog = Object.assign(document.createElement("dialog"), { id: "image-dialog" });
  dialog.setAttribute("aria-labelledby", "image-heading");
  dialog.innerHTML = `<form method="dialog">
  <h2 id="image-heading"></h2>
  <div class="sides">
    <figure><canvas id="image-source"></canvas><figcaption id="image-about"></figcaption></figure>
    <figure><canvas id="image-preview"></canvas><figcaption id="image-note" role="status"></figcaption></figure>
  </div>
  <div class="settings">
    ${choice("size", "Size", [])}
    <label>Width <input id="image-width" type="number" min="1" inputmode="numeric"></label>
    <label>Height <input id="image-height" type="number" min="1" inputmode="numeric"></label>
    <label><input id="image-aspect" type="checkbox" checked> Keep the aspect</label>
    ${choice("fitting", "Fitting", [["fit", "Fit inside"], ["fill", "Fill and crop"], ["stretch", "Stretch"]])}
    <fieldset class="anchors"><legend>Where it sits</legend>${ANCHORS.map((a, i) =>
    `<input type="radio" name="anchor" value="${i}" aria-label="${a}" title="${a}"${i === 4 ? " checked" : ""}>`).join("")}</fieldset>
    ${choice("sampling", "Sampling", [["nearest", "Nearest pixel"], ["area", "Area average"]])}
    <label>Threshold <input id="image-threshold" type="range" min="0" max="255" value="128">
      <output id="image-level">128</output></label>
    <label><input id="image-invert" type="checkbox"> Invert</label>
    ${choice("transparent", "Transparent pixels", [["blank", "Blank"], ["marked", "Marked"]])}
    ${choice("dither", "Dithering", [["none", "None"], ["floyd", "Floyd–Steinberg"], ["atkinson", "Atkinson"],
    ["bayer4", "Bayer 4 × 4"], ["bayer8", "Bayer 8 × 8"]])}
  </div>
  <div class="bar"><button type="submit" value="cancel">Cancel</button>
    <button type="submit" value="open" id="image-open">Open</button></div>
</form>`;
  document.body.append(dialog);
  return dialog;
}

let dialog = null, now = null;

// The largest size of this shape whose map fits.
export function largest(w, h) {
  let k = Math.sqrt(CAPACITY / mapSize(w, h));
  while (mapSize(Math.floor(w * k), Math.floor(h * k)) > CAPACITY) k *= 0.999;
  return { w: Math.max(Math.floor(w * k), 1), h: Math.max(Math.floor(h * k), 1) };
}

// What the settings say, and the cells they give; each stage kept until
// a setting it depends on changes, so that the threshold and the
// dithering work on the cells alone.
function settings() {
  const v = (id) => $(`image-${id}`).value, anchor = +dialog.querySelector("[name=anchor]:checked").value;
  return { W: +v("width"), H: +v("height"), fitting: v("fitting"), ax: anchor % 3, ay: Math.floor(anchor / 3),
    area: v("sampling") === "area", invert: $("image-invert").checked, marked: v("transparent") === "marked",
    t: +v("threshold"), dither: v("dither") };
}
function made(s) {
  const key = (...k) => k.map((n) => s[n]).join(" ");
  const c = now.cache, k1 = key("W", "H", "fitting", "ax", "ay", "area"), k2 = `${k1} ${key("invert", "marked")}`;
  if (c.k1 !== k1) Object.assign(c, { k1, k2: null, sums: sample(now.img, frame(now.img.w, now.img.h, s.W, s.H, s.fitting, s.ax, s.ay), s.area) });
  if (c.k2 !== k2) Object.assign(c, { k2, values: values(c.sums, s.W, s.H, s.invert, s.marked) });
  return cells(c.values, s.W, s.H, s.t, s.dither);
}

// Draws w × h pixels into a canvas, each written by fill as one 32-bit
// word: R, G, B, A in memory's order on the little-endian machines
// browsers run on. The canvas keeps its size and its image data from one
// setting to the next, in plain memory, as the picture's are: a canvas
// resized is a new one to its engine, and a graphics card's canvas, which
// WebKit renders in software where there is no card, took it tens of ms
// over a million pixels put while the last were still being shown.
const context = (canvas) => canvas.getContext("2d", { willReadFrequently: true });
const BLACK = 0xff000000, WHITE = 0xffffffff, images = new WeakMap();
function draw(canvas, w, h, fill) {
  let img = images.get(canvas);
  if (canvas.width !== w || canvas.height !== h || !img) {
    Object.assign(canvas, { width: w, height: h });
    images.set(canvas, img = context(canvas).createImageData(w, h));
  }
  fill(new Uint32Array(img.data.buffer));
  context(canvas).putImageData(img, 0, 0);
}

function update() {
  const t0 = performance.now(), s = settings();
  $("image-level").value = s.t;
  const ok = Number.isInteger(s.W) && Number.isInteger(s.H) && s.W >= 1 && s.H >= 1, fits = ok && mapSize(s.W, s.H) - 1 <= CAPACITY;
  $("image-open").disabled = !fits;
  if (!fits) {
    $("image-note").textContent = !ok ? "Width and height are whole numbers, 1 or more."
      : `${s.W} × ${s.H} cells: ${count(mapSize(s.W, s.H), "byte")}, more than the ${CAPACITY.toLocaleString("en")} a map holds.`;
    return;
  }
  now.cells = made(s);
  now.size = [s.W, s.H];
  const c = now.cells;
  draw($("image-preview"), s.W, s.H, (px) => { for (let p = 0; p < c.length; p++) px[p] = c[p] ? BLACK : WHITE; });
  $("image-note").textContent = `${s.W} × ${s.H} cells, ${count(mapSize(s.W, s.H), "byte")}`;
  document.body.dataset.previewMs = performance.now() - t0;
}

// A size picked: its width and height; typed with the aspect kept, the
// other side follows the image's shape.
function sized(e) {
  const { w, h } = now.img, v = $("image-size").value;
  if (e?.target.id === "image-size" && v !== "custom") {
    const [W, H] = v === "own" ? [w, h] : v === "block" ? [w / now.n, h / now.n] : v.split("×").map(Number);
    Object.assign($("image-width"), { value: W }), Object.assign($("image-height"), { value: H });
  } else if (e?.target.type === "number") {
    $("image-size").value = "custom";
    const round = (n) => Math.max(1, Math.round(n));
    if ($("image-aspect").checked && e.target.id === "image-width") $("image-height").value = round(+e.target.value * h / w);
    if ($("image-aspect").checked && e.target.id === "image-height") $("image-width").value = round(+e.target.value * w / h);
  }
  update();
}

// Opens the dialog on an image ({ w, h, grey, opaque }) to be NAME.map.
// The size it starts at: one cell a block where the image is drawn at
// N pixels a cell, else its own where that fits, else the largest of its
// shape that fits.
// t0: when the file began to be read, for the page's benchmark.
export function imageDialog(img, name, file, t0 = performance.now()) {
  if (!dialog) {
    dialog = build();
    dialog.addEventListener("input", sized);
    dialog.addEventListener("change", sized);
    dialog.addEventListener("close", () => {
      if (dialog.returnValue === "open" && now.cells) {
        const [w, h] = now.size;
        replace(blockBytes({ w, h, cells: now.cells }).subarray(0, CAPACITY), now.name, "an image");
        readyToDraw();
      }
      now = null;
    });
  }
  const { w, h } = img, n = blockScale(img), own = mapSize(w, h) - 1 <= CAPACITY, fit = largest(w, h);
  now = { img, name, n, cache: {} };
  $("image-heading").textContent = `${file} into ${name}`;
  $("image-about").textContent = `${w} × ${h} pixels` + (own ? "" : `: a map of ${count(mapSize(w, h), "byte")} at one ` +
    `cell a pixel, more than the ${CAPACITY.toLocaleString("en")} a map holds; the largest of its shape that fits is ` +
    `${fit.w} × ${fit.h}`);
  $("image-size").innerHTML = [own && ["own", `Its own, ${w} × ${h}`], n && ["block", `One cell a block, ${w / n} × ${h / n}`],
    ...DISPLAYS.map((d) => [d, d.replace("×", " × ")]), ["custom", "Typed"]].filter(Boolean).map(([v, t]) => option(v, t)).join("");
  const [W, H] = n ? [w / n, h / n] : own ? [w, h] : [fit.w, fit.h];
  $("image-size").value = n ? "block" : own ? "own" : "custom";
  Object.assign($("image-width"), { value: W }), Object.assign($("image-height"), { value: H });
  $("image-sampling").value = n || own ? "nearest" : "area";
  // The image itself, shown at most 480 pixels a side, nearest pixel.
  const k = Math.max(1, w / 480, h / 480), sw = Math.max(1, Math.round(w / k)), sh = Math.max(1, Math.round(h / k));
  const shown = sample(img, frame(w, h, sw, sh, "stretch"), false);
  draw($("image-source"), sw, sh, (px) => {
    for (let p = 0; p < px.length; p++) px[p] = shown.weights[p] ? (BLACK | shown.sums[p] * 0x010101) >>> 0 : 0;
  });
  dialog.returnValue = "";
  update();
  dialog.showModal();
  document.body.dataset.imageDialogMs = performance.now() - t0;
}
