// The tools' options, held here alone: what the shapes paint (ink), the
// pen's size, shapes filled, a paste's blank cells written too, the
// mirror's mode and the heavier grid's step. The commands change them and
// their buttons show them (commands.js); the tools read them. The page's
// controls are views of this state, never the state itself.
import { channel } from "./page.js";
import { O } from "./edits.js";

const state = { ink: O, size: 1, filled: false, blanks: true, mirror: 0, grid: 0 };
const events = channel();

export const option = (name) => state[name];

// Told after any option changes: fn(name, value).
export const onOption = (fn) => events.on("option", fn);

export function setOption(name, value) {
  if (!(name in state)) throw new Error(`No option named ${name}`);
  state[name] = value;
  events.emit("option", name, value);
}
