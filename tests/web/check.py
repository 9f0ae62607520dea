#!/usr/bin/python3
"""Tests the browser page gridpin.html in Debian's headless Chromium.

    check.py [--cases-only] [--tool GRIDPIN] [--out DIR] PAGE

Loads PAGE from disk and runs through it, by its own file input, every row
of tests/cli/cases.tsv that converts a map, comparing the listing that
Download saves, with either line end, to the row's, or the message shown to
the row's standard error. Then, unless --cases-only: the picture's pixels
and the [x,y] shown when pointing at cells, the line and column of refused
bytes, a shared link, the two largest maps timed beside the native tool
GRIDPIN, and a screenshot of examples/room.map, which go to DIR.
"""
import argparse
import hashlib
import re
import statistics
import subprocess
import sys
import tempfile
import time
from pathlib import Path

from selenium import webdriver
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.action_chains import ActionChains
from selenium.webdriver.common.by import By
from selenium.webdriver.common.keys import Keys
from selenium.webdriver.support.ui import WebDriverWait

ROOT = Path(__file__).resolve().parents[2]
FORMS = ROOT / "tests/cli/forms.sh"
# The messages that a map itself brings about; the others are about paths,
# pipes and disks, which a page does not have.
MAP_MESSAGES = re.compile(r"(Unexpected character .*|infile too large)\n")
failures = []


def check(name, got, want):
    if got != want:
        shown = lambda v: repr(v)[:300]
        failures.append(name)
        print(f"FAIL {name}: got {shown(got)}, expected {shown(want)}")


def form(*args, cwd=None):
    return subprocess.run(["bash", FORMS, *args], cwd=cwd, check=True, capture_output=True).stdout


def start(profile, downloads):
    options = webdriver.ChromeOptions()
    options.binary_location = "/usr/bin/chromium"
    # Chromium reaches for Google's services unless told not to; there is
    # no network here to reach. As root it runs only without its sandbox.
    for flag in ("--headless=new --no-sandbox --disable-dev-shm-usage --disable-gpu --disable-quic "
                 "--no-first-run --disable-background-networking --disable-component-update "
                 "--disable-sync --window-size=1280,900").split():
        options.add_argument(flag)
    options.add_argument(f"--user-data-dir={profile}")
    driver = webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)
    driver.execute_cdp_cmd("Browser.setDownloadBehavior", {"behavior": "allow", "downloadPath": str(downloads)})
    return driver


class Page:
    def __init__(self, driver, url, downloads):
        self.d, self.url, self.downloads = driver, url, downloads
        self.open(url)

    def open(self, url):
        self.d.get("about:blank")
        self.d.get(url)
        WebDriverWait(self.d, 30).until(lambda d: d.execute_script("return document.body.dataset.ready"))

    def js(self, script, *args):
        return self.d.execute_script(script, *args)

    def text(self, id):
        return self.js("return document.getElementById(arguments[0]).textContent", id)

    def after_run(self, act):
        """Does act, then waits for the conversion it brings about."""
        run = self.js("return document.body.dataset.run")
        act()
        WebDriverWait(self.d, 60).until(lambda d: d.execute_script("return document.body.dataset.run") != run)

    def load(self, path):
        self.after_run(lambda: self.d.find_element(By.ID, "file").send_keys(str(path)))

    def drop(self, data, name):
        """Drops a file of these bytes on the page, as a file manager would."""
        self.after_run(lambda: self.js("""const t = new DataTransfer();
            t.items.add(new File([new Uint8Array(arguments[0])], arguments[1]));
            document.dispatchEvent(new DragEvent('drop', {dataTransfer: t, cancelable: true}));""", list(data), name))

    def download(self, ends, name):
        self.d.find_element(By.CSS_SELECTOR, f'input[name="ends"][value="{ends}"]').click()
        self.d.find_element(By.ID, "download").click()
        path = self.downloads / name
        WebDriverWait(self.d, 60).until(lambda d: path.exists() and not any(self.downloads.glob("*.crdownload")))
        data = path.read_bytes()
        path.unlink()
        return data


def cases(page, scratch):
    """Every row of the table that converts a map, through the page."""
    n = 0
    for i, line in enumerate((ROOT / "tests/cli/cases.tsv").read_text().splitlines()):
        if not line.strip() or line.lstrip().startswith("#"):
            continue
        name, on, args, files, status, stderr, out = [f.strip() for f in line.split("|")][:7]
        folder = scratch / f"case{i}"
        folder.mkdir()
        form("files", files, cwd=folder)
        words = form("long", args).decode().split()
        stderr = form("content", stderr).decode()
        if on == "windows" or len(words) != 2 or not (folder / words[0]).is_file() \
                or not (stderr == "" or MAP_MESSAGES.fullmatch(stderr)):
            continue
        n += 1
        page.load(folder / words[0])
        check(f"{name}: message", page.text("message"), stderr)
        check(f"{name}: download offered", page.js("return !document.getElementById('download').disabled"),
              status == "0")
        if status != "0":
            continue
        listing = re.sub(r"(.)\.[^.]*$", r"\1", Path(words[0]).name) + ".lst"
        lf, crlf = page.download("lf", listing), page.download("crlf", listing)
        check(f"{name}: CR LF only with CR LF", crlf.count(b"\n"), crlf.count(b"\r\n"))
        check(f"{name}: the same lines either way", crlf.replace(b"\r\n", b"\n"), lf)
        want = out[len("sha256:"):] if out.startswith("sha256:") else hashlib.sha256(form("want", out)).hexdigest()
        check(f"{name}: listing", hashlib.sha256(lf).hexdigest(), want)
    return n


def picture(page):
    """Pixels and [x,y] of a map whose skipped bytes and empty line take no
    column or row, and whose first two rows are wider than the last."""
    page.drop(b"\tO.O\n\n.\xe9O.\r\nOO\n", "picture.map")
    check("picture: dropped", page.text("source"), "picture.map: 15 bytes, from a file, converted as they are.")
    check("picture: size", page.text("size").startswith("Width 2, height 3"), True)
    colours = page.js("""const s = getComputedStyle(document.documentElement);
        return ['--marked', '--blank', '--panel', '--uneven'].map(v => s.getPropertyValue(v).trim());""")
    marked, blank, panel, uneven = [[int(c[i:i + 2], 16) for i in (1, 3, 5)] for c in colours]
    canvas = page.d.find_element(By.ID, "canvas")
    for (x, y), readout, colour in [
            ((0, 0), "[0,0] marked", marked), ((1, 0), "[1,0] blank", blank), ((2, 0), "[2,0] marked", marked),
            ((0, 1), "[0,1] blank", blank), ((1, 1), "[1,1] marked", marked), ((2, 1), "[2,1] blank", blank),
            ((0, 2), "[0,2] marked", marked), ((1, 2), "[1,2] marked", marked), ((2, 2), "", panel),
            ((-1, 0), "", uneven), ((-1, 2), "", panel)]:
        # Three quarters into the cell, where rounding would be a cell off.
        cx, cy, width, height = page.js("""const c = document.getElementById('canvas'), d = c.dataset;
            return [+d.x0 + (arguments[0] + 0.75) * d.cell, +d.y0 + (arguments[1] + 0.75) * d.cell,
                    c.clientWidth, c.clientHeight];""", x, y)
        ActionChains(page.d).move_to_element_with_offset(canvas, int(cx - width / 2), int(cy - height / 2)).perform()
        check(f"picture: pointing at ({x},{y})", page.text("cell"), readout)
        pixel = page.js("""return [...document.getElementById('canvas').getContext('2d')
            .getImageData(Math.floor(arguments[0] * devicePixelRatio), Math.floor(arguments[1] * devicePixelRatio), 1, 1)
            .data.slice(0, 3)];""", int(cx), int(cy))
        check(f"picture: pixel of ({x},{y})", pixel, colour)


def refusals(page, scratch):
    """Line and column of the refused byte, as an editor counts them, and
    its mark in the text."""
    for i, (text, line, column, before, ch) in enumerate([
            (b"O.O\n.O x\n", 2, 3, ".O", " "), (b"\r\n\r\nO\tO#", 3, 4, "O\tO", "#"),
            (b"\xe9O!", 1, 3, "\ufffdO", "!"), (b"O\rO\r~", 3, 1, "", "~")]):
        path = scratch / f"refused{i}.map"
        path.write_bytes(text)
        page.load(path)
        check(f"refused {text}: where", page.text("goto"), f"line {line}, column {column}")
        check(f"refused {text}: marked", page.js("""const l = document.getElementById('layer');
            return [l.textContent.slice(0, -1), l.querySelector('mark').textContent];"""), [before, ch])
        page.d.find_element(By.ID, "goto").click()
        check(f"refused {text}: selected", page.js("""const t = document.getElementById('text');
            return t.value.slice(t.selectionStart, t.selectionEnd);"""), ch)
    # Typed text is UTF-8: the é is one column, the refused cell the second.
    area = page.d.find_element(By.ID, "text")
    page.after_run(lambda: area.send_keys(Keys.CONTROL, "a", Keys.DELETE))
    page.after_run(lambda: area.send_keys("éO!"))
    check("typed: where", [page.text("message"), page.text("goto")],
          ["Unexpected character '!' (21h)\n", "line 1, column 3"])
    check("typed: refused cell in the picture", page.js("return document.getElementById('canvas').dataset.refused"), "1,0")


def link(page):
    page.load(ROOT / "examples/room.map")
    page.d.find_element(By.ID, "share").click()
    WebDriverWait(page.d, 10).until(lambda d: d.find_element(By.ID, "link").get_attribute("value"))
    url = page.d.find_element(By.ID, "link").get_attribute("value")
    page.open(url)
    check("link: the map back", page.js("return document.getElementById('text').value"),
          (ROOT / "examples/room.map").read_text())
    check("link: its listing", page.text("listing"), (ROOT / "examples/room.lst").read_text())
    page.open(page.url)


def timings(page, scratch, tool, runs=11):
    """Medians over runs: the page's text to listing and text to picture,
    and the native tool's whole run on the same map."""
    maps = {"one line of 1,000,000 `O`": b"O" * 1_000_000, "1000 lines of 999 `O`": (b"O" * 999 + b"\n") * 1000}
    rows = []
    for name, data in maps.items():
        path = scratch / "large.map"
        path.write_bytes(data)
        listing, drawn, native = [], [], []
        for _ in range(runs):
            page.load(path)
            listing.append(float(page.js("return document.body.dataset.listingMs")))
            drawn.append(float(page.js("return document.body.dataset.pictureMs")))
            t0 = time.perf_counter()
            subprocess.run([tool, path, scratch / "large.lst"], check=True)
            native.append((time.perf_counter() - t0) * 1000)
        check(f"{name}: converted", page.text("message"), "")
        ms = [statistics.median(v) for v in (native, listing, drawn)]
        rows.append(f"| {name} | {ms[0]:.1f} | {ms[1]:.1f} | {ms[1] / ms[0]:.1f}x | {ms[2]:.1f} |")
    return "\n".join([f"Medians of {runs} runs, Chromium {page.d.capabilities['browserVersion']}:", "",
                      "| map | native tool, whole run ms | page, text to listing ms | ratio | page, text to picture ms |",
                      "|---|---:|---:|---:|---:|", *rows])


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("page", type=Path)
    parser.add_argument("--tool", type=Path)
    parser.add_argument("--out", type=Path)
    parser.add_argument("--cases-only", action="store_true")
    a = parser.parse_args()
    with tempfile.TemporaryDirectory() as tmp:
        scratch, downloads = Path(tmp) / "scratch", Path(tmp) / "downloads"
        scratch.mkdir()
        downloads.mkdir()
        driver = start(Path(tmp) / "profile", downloads)
        try:
            page = Page(driver, a.page.resolve().as_uri(), downloads)
            print(f"{cases(page, scratch)} rows of the case table run through the page")
            if not a.cases_only:
                picture(page)
                refusals(page, scratch)
                link(page)
                table = timings(page, scratch, a.tool.resolve())
                print(table)
                a.out.mkdir(parents=True, exist_ok=True)
                (a.out / "timings.md").write_text(table + "\n")
                page.load(ROOT / "examples/room.map")
                canvas = driver.find_element(By.ID, "canvas")
                ActionChains(driver).move_to_element_with_offset(canvas, 0, 0).perform()
                driver.save_screenshot(str(a.out / "room.png"))
        finally:
            driver.quit()
    print(f"{len(failures)} failed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
