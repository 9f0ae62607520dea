// scenarios.tsv's actions on the Maps list: shown, a map opened, renamed,
// deleted or spared, and the names it lists.
import { check, sleep } from "./page.mjs";

// The Maps list's names, the shown one marked *, shown anew once the last step
// is kept; a line's button pressed first, and its question answered.
async function list(page, act = null) {
  await page.kept();
  for (const what of [["show"], act].filter(Boolean)) {
    await page.js(`const [act, name, to] = arguments, $ = (s, e = document) => [...e.querySelectorAll(s)], b = document.body;
      const li = $("#maps-list li").find((li) => li.querySelector("strong").textContent === name), gone = delete b.dataset.mapsMs;
      if (act === "show") document.getElementById("maps").click();
      else $("button", li).find((b) => b.textContent === ({ spare: "Delete" }[act] ?? act)).click();
      if (act === "Rename") Object.assign($("input", li)[0], { value: to }).form.requestSubmit();
      if (act === "Delete" || act === "spare") $(".ask button", li)[act === "spare" ? 1 : 0].click();`, ...what);
    for (let j = 0; j < 50 && what[0] !== "Open" && !(await page.data("mapsMs")); j++) await sleep(50);
  }
  return page.js(`return [...document.querySelectorAll("#maps-list li")]
    .map((li) => li.querySelector("strong").textContent + (li.getAttribute("aria-current") ? "*" : "")).join(" ")`);
}

export const MAPS_ACTIONS = {
  list: (page, [what, name, to]) => what === "open" ? page.update(() => list(page, ["Open", name]))
    : list(page, [{ rename: "Rename", delete: "Delete", spare: "spare" }[what], name, to]),
  listed: async (page, words, rest) => check(`${page.row}: listed`, await list(page), rest),
};
