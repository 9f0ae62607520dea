// Keys as the commands' table writes them: modifiers, then the key, joined
// by "+" ("Mod" is Ctrl, or ⌘ on a Mac); as people read them, on this
// platform; and prose that names them. What needs no page, so that Node
// can test it: mac is the platform's, passed in.

export function parse(combo) {
  const parts = combo === "+" ? ["+"] : combo.split("+");
  const key = parts.pop();
  return { key, mod: parts.includes("Mod"), shift: parts.includes("Shift") };
}

// The first key that two commands of the table share, as "KEY: A and B",
// or "": a key must do one thing, and the first command listed would
// silently win.
export function sharedKey(commands) {
  const seen = new Map();
  for (const c of commands) {
    for (const combo of [...(c.keys ?? []), ...(c.also ?? [])]) {
      const { key, mod, shift } = parse(combo), id = `${mod}${shift}${key.length === 1 ? key.toUpperCase() : key}`;
      if (seen.has(id) && seen.get(id) !== c.name) return `${combo}: ${seen.get(id)} and ${c.name}`;
      seen.set(id, c.name);
    }
  }
  return "";
}

const GLYPHS = { ArrowLeft: "←", ArrowRight: "→", ArrowUp: "↑", ArrowDown: "↓", "-": "−", Escape: "Esc" };

// A key as a Mac writes it (⇧⌘Z) or as other platforms do (Ctrl+Shift+Z).
export function keyText(combo, mac) {
  const { key, mod, shift } = parse(combo), k = GLYPHS[key] ?? key;
  return mac ? `${shift ? "⇧" : ""}${mod ? "⌘" : ""}${k}` : `${mod ? "Ctrl+" : ""}${shift ? "Shift+" : ""}${k}`;
}

// A key as aria-keyshortcuts names it.
export function ariaKey(combo, mac) {
  const { key, mod, shift } = parse(combo);
  return [mod && (mac ? "Meta" : "Control"), shift && "Shift", key === "+" ? "Plus" : key].filter(Boolean).join("+");
}

const ARROWS = ["ArrowLeft", "ArrowRight", "ArrowUp", "ArrowDown"];

// Keys as prose names them together: the four arrows, alone or with
// Shift, as "the arrow keys"; others one after the other, "Space or Enter".
export function keysText(keys, mac) {
  const all = keys.map(parse), shift = all[0]?.shift;
  if (all.length === 4 && ARROWS.every((a) => all.some((k) => k.key === a && !k.mod && k.shift === shift))) {
    return `${shift ? `${mac ? "⇧" : "Shift"} and ` : ""}the arrow keys`;
  }
  return keys.map((k) => keyText(k, mac)).join(" or ");
}

// Prose with its keys written by the table: {name} is the first key of the
// command so named, {name*} all its keys, {name:KEY} that one of them,
// {Mod} the modifier held alone (Ctrl, or ⌘ on a Mac). A name the table
// does not hold, a command without keys, or a key not its, is an error
// here, not a brace on the page.
export function withKeys(text, commands, mac) {
  return text.replace(/\{([\w-]+)(\*|:[\w+]+)?\}/g, (_, name, which = "") => {
    if (name === "Mod") return mac ? "⌘" : "Ctrl";
    const keys = commands.find((c) => c.name === name)?.keys;
    if (!keys || (which.startsWith(":") && !keys.includes(which.slice(1)))) {
      const what = which.startsWith(":") ? `the key ${which.slice(1)}` : "keys";
      throw new Error(`No command named ${name} with ${what}, for "${text}"`);
    }
    return which === "*" ? keysText(keys, mac) : keyText(which ? which.slice(1) : keys[0], mac);
  });
}

// The page's table and platform, told once by the commands: prose that
// names keys anywhere on the page is written through keyed.
let table = [], onMac = false;
export function useTable(commands, mac) {
  table = commands;
  onMac = mac;
}
export const keyed = (text) => withKeys(text, table, onMac);
