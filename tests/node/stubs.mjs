// Hooks that let Node load the commands' table (web/commands.js) without a
// page: the table and the tools are read as they are, every other module
// of the page is a stub that exports the same names, each a value that any
// call, property or use in a text gives back. An import with "?mac=1"
// (or 0) loads the table afresh for that platform, page.js's mac so set.
import { readFile } from "node:fs/promises";

const REAL = /\/web\/(commands|keys)\.js$|\/web\/tools\/(?!drawing\.js)[^/]+\.js$/;

export async function resolve(specifier, context, next) {
  const found = await next(specifier, context), query = context.parentURL && new URL(context.parentURL).search;
  return query && found.url.includes("/web/") ? { ...found, url: found.url.split("?")[0] + query } : found;
}

export async function load(url, context, next) {
  const { pathname, searchParams } = new URL(url);
  if (!pathname.includes("/web/") || REAL.test(pathname)) return next(url, context);
  const text = await readFile(pathname, "utf8"), names = new Set();
  for (const [, name] of text.matchAll(/^export\s+(?:async\s+)?(?:function\*?|const|let|class)\s+([\w$]+)/gm)) names.add(name);
  for (const [, list] of text.matchAll(/^export\s*\{([^}]*)\}/gm)) {
    for (const item of list.split(",")) names.add(item.trim().split(/\s+as\s+/).pop());
  }
  names.delete("");
  const mac = pathname.endsWith("/web/page.js") && names.delete("mac");
  return { format: "module", shortCircuit: true, source: `
    const stub = new Proxy(function () {}, { get: (t, k) => (k === Symbol.toPrimitive ? () => "" : stub), apply: () => stub });
    ${[...names].map((n) => `export const ${n} = stub;`).join("\n")}
    ${mac ? `export const mac = ${searchParams.get("mac") === "1"};` : ""}` };
}
