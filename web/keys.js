// Keys as the commands' table writes them: modifiers, then the key, joined
// by "+" ("Mod" is Ctrl, or ⌘ on a Mac). What needs no page, so that Node
// can test it.

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
