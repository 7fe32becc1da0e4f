#!/usr/bin/python3
"""The web page in real headless Chromium: its tables are zemrik-cli's byte for
byte, its refusals zemrik-cli's first lines, Save and Copy hand over the whole
text, a dropped file is read as a chosen one, and a 64 MiB table goes to Save
with the renderer's memory bounded (from file://, up to the page's bound).

Usage: page_test.py PAGE_DIR ZEMRIK_CLI SAMPLE_DIR OUTPUT_DIR
ZEMRIK_WEB_LARGE=0 leaves out the 64 MiB table. Exits 77 (skipped) where
Chromium, its driver or Selenium is missing."""
import functools
import http.server
import os
import shutil
import subprocess
import sys
import tempfile
import threading
import time

SKIP = 77
try:
    from selenium import webdriver
    from selenium.webdriver.common.by import By
    from selenium.webdriver.support.ui import Select, WebDriverWait
except ImportError:
    print("SKIP: python3-selenium is not installed")
    sys.exit(SKIP)

PAGE_DIR, CLI, SAMPLE_DIR, OUTPUT_DIR = map(os.path.abspath, sys.argv[1:5])
CHROMIUM = shutil.which("chromium")
DRIVER = shutil.which("chromedriver")
if not CHROMIUM or not DRIVER:
    print("SKIP: chromium or chromedriver is not installed")
    sys.exit(SKIP)

# A large table: 64 MiB of dwords printed as C, about 196 MiB of text, which
# goes to a file as it comes. The renderer (page and worker) grew by about
# 100 MiB here while it printed, the engine's memory and what the reads leave
# for the collector: less than the text, which it never holds.
LARGE_SIZE = 64 * 1024 * 1024
RENDERER_GROWTH_BOUND = 160 * 1024 * 1024
# Choosing a plain file copies none of it: only an image is copied whole.
CHOOSING_GROWTH_BOUND = 16 * 1024 * 1024
# Opened from file://, the page holds at most this much of a table for Save,
# as Blobs in Chromium's browser process. Its processes grew by about 480 MiB
# here while the page held that much (their RSS summed: the pieces' shared
# memory on the way counts in two processes).
HELD_LIMIT = 256 * 1024 * 1024
HOLDING_GROWTH_BOUND = 640 * 1024 * 1024
failures = []


def check(condition, what):
    print(("ok    " if condition else "FAIL  ") + what)
    if not condition:
        failures.append(what)


class QuietHandler(http.server.SimpleHTTPRequestHandler):
    def log_message(self, *args):
        pass


def serve(directory):
    handler = functools.partial(QuietHandler, directory=directory)
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), handler)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    return server


def start_browser(profile, downloads):
    options = webdriver.ChromeOptions()
    options.binary_location = CHROMIUM
    for flag in ("--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
                 "--disable-background-networking", "--disable-component-update", "--disable-sync",
                 "--user-data-dir=" + profile, "--window-size=1100,1000"):
        options.add_argument(flag)
    options.add_experimental_option("prefs", {"download.default_directory": downloads,
                                              "download.prompt_for_download": False})
    driver = webdriver.Chrome(service=webdriver.ChromeService(DRIVER) if hasattr(webdriver, "ChromeService")
                              else webdriver.chrome.service.Service(DRIVER), options=options)
    driver.execute_cdp_cmd("Browser.setDownloadBehavior", {"behavior": "allow", "downloadPath": downloads})
    return driver


class Page:
    """The page's controls, found by their accessible names."""

    def __init__(self, driver):
        self.driver = driver
        self.controls = {}
        for element in driver.find_elements(By.CSS_SELECTOR, "input, select, textarea, button"):
            name = element.accessible_name
            if name:
                self.controls[name] = element

    def __getitem__(self, name):
        return self.controls[name]

    def fill(self, address="", size="", items="bytes", per_line="8", language="c", decimal=False,
             big_endian=False, virtual_address=False, line_end="LF", name="", fixed_types=False, const=False,
             length=False):
        for control, text in (("Address", address), ("Size", size), ("Per line", per_line), ("Name", name)):
            self[control].clear()
            if text:
                self[control].send_keys(text)
        Select(self["Items"]).select_by_visible_text(items)
        Select(self["Language"]).select_by_visible_text(language)
        Select(self["Line ends"]).select_by_visible_text(line_end)
        for control, wanted in (("Decimal", decimal), ("Big-endian", big_endian), ("Virtual address", virtual_address),
                                ("Fixed-width types", fixed_types), ("Const", const), ("Length constant", length)):
            if self[control].is_selected() != wanted:
                self[control].click()

    def choose(self, path):
        self["File"].send_keys(path)
        self.wait_for_file()

    def drop(self, path):
        """Drops the file on the page as a drag from a file manager would: a
        File read from disk by an input of the test's own, in a DataTransfer."""
        self.driver.execute_script(
            "const input = document.createElement('input'); input.type = 'file'; input.id = 'dropped';"
            "document.body.append(input);")
        self.driver.find_element(By.ID, "dropped").send_keys(path)
        self.driver.execute_script(
            "const input = document.getElementById('dropped'); const data = new DataTransfer();"
            "data.items.add(input.files[0]); input.remove();"
            "for (const type of ['dragenter', 'dragover', 'drop'])"
            "  document.querySelector('main').dispatchEvent("
            "    new DragEvent(type, {dataTransfer: data, bubbles: true, cancelable: true}));")
        self.wait_for_file()

    def wait_for_file(self):
        WebDriverWait(self.driver, 60).until(
            lambda d: d.find_element(By.ID, "file-size").text != "" and self["Go"].is_enabled())

    def go(self, timeout=60):
        self["Go"].click()
        WebDriverWait(self.driver, timeout, poll_frequency=0.2).until(
            lambda d: d.execute_script("return window.zemrikLastRun") is not None and self["Go"].is_enabled())
        return self.driver.execute_script("return window.zemrikLastRun")

    def output(self):
        return self.driver.execute_script("return document.getElementById('output').value")

    def messages(self):
        return self.driver.execute_script("return document.getElementById('messages').textContent")


def cli(*arguments):
    return subprocess.run([CLI, *arguments], capture_output=True)


def arguments_of(address="", size="", items="bytes", per_line="8", language="c", decimal=False,
                 big_endian=False, virtual_address=False, line_end="LF", name="", fixed_types=False, const=False,
                 length=False):
    arguments = []
    if address:
        arguments += ["--va" if virtual_address else "-a", address]
    if size:
        arguments += ["-s", size]
    if per_line:
        arguments += ["-n", per_line]
    arguments += ["-i", items, "-l", language]
    arguments += ["--decimal"] * decimal + ["--big-endian"] * big_endian + ["--lf"] * (line_end == "LF")
    arguments += ["--fixed-types"] * fixed_types + ["--const"] * const + ["--length"] * length
    return arguments + (["--name", name] if name else [])


def wait_for_download(directory, name, timeout=600):
    path = os.path.join(directory, name)
    deadline = time.time() + timeout
    while time.time() < deadline:
        if os.path.exists(path) and not any(n.endswith(".crdownload") for n in os.listdir(directory)):
            return path
        time.sleep(0.2)
    return None


def renderer_rss():
    """The resident memory of Chromium's renderer processes, in bytes."""
    return process_rss(b"chromium", b"--type=renderer")


def process_rss(*words):
    """The resident memory of the processes whose command line holds all the words."""
    total = 0
    for pid in filter(str.isdigit, os.listdir("/proc")):
        try:
            with open(f"/proc/{pid}/cmdline", "rb") as f:
                command = f.read()
            if not all(word in command for word in words):
                continue
            with open(f"/proc/{pid}/status") as f:
                for line in f:
                    if line.startswith("VmRSS:"):
                        total += int(line.split()[1]) * 1024
        except OSError:
            continue
    return total


def peak_during(measure, action):
    """The measure before the action, its peak while the action ran, and the action's answer."""
    before = measure()
    peak = [before]
    done = threading.Event()

    def watch():
        while not done.is_set():
            peak[0] = max(peak[0], measure())
            time.sleep(0.1)
    watcher = threading.Thread(target=watch)
    watcher.start()
    try:
        answer = action()
    finally:
        done.set()
        watcher.join()
    return before, max(peak[0], measure()), answer


def sample(name):
    return os.path.join(SAMPLE_DIR, name)


def symbol_of(image, name):
    """The symbol's address and size as zemrik-cli lists them."""
    listing = cli("--list-symbols", image).stdout.decode().splitlines()[1:]
    for line in listing:
        fields = line.split()
        if fields[-1] == name:
            return fields[0], "" if fields[1] == "-" else fields[1]
    raise AssertionError(f"{name} is not listed in {image}")


def test_tables(page):
    # One case per image kind and per output form: the Output is zemrik-cli's text.
    images = [("crc32.exe", "_crc32_table"), ("crc32_64.exe", "crc32_table"), ("crc32.elf", "crc32_table")]
    for image_name, symbol in images:
        image = sample(image_name)
        if not os.path.exists(image):
            print(f"skip  {image_name}: not built here")
            continue
        page.choose(image)
        address, size = symbol_of(image, symbol)
        cases = [dict(address=address, size=size or "400", items="dwords", per_line="4", language="c", virtual_address=True),
                 dict(address=address, size="40", items="words", per_line="8", language="asm", decimal=True,
                      virtual_address=True),
                 dict(address="0", size="20", items="bytes", per_line="16", language="datastr", big_endian=True),
                 dict(address=address, size="40", items="i64", per_line="2", language="c", decimal=True,
                      virtual_address=True, name="crc", fixed_types=True, const=True, length=True)]
        for case in cases:
            page.fill(**case)
            run = page.go()
            started = time.time()
            expected = cli(*arguments_of(**case), image).stdout.decode()
            print(f"info  {image_name}: page {run['milliseconds']:.0f} ms (engine {run['engineMilliseconds']:.0f} ms),"
                  f" zemrik-cli {(time.time() - started) * 1000:.0f} ms")
            check(page.output() == expected and expected != "", f"{image_name} {arguments_of(**case)}: Output is zemrik-cli's")
        # Picking the symbol fills Address and Size as the listing gives them.
        Select(page["Symbol"]).select_by_visible_text(symbol)
        check(page["Address"].get_attribute("value") == address and page["Size"].get_attribute("value") == size
              and page["Virtual address"].is_selected(), f"{image_name}: the symbol fills Address and Size")


def test_refusals(page, text_file):
    # Each kind of refusal once: the page's first line is zemrik-cli's, its
    # options named by the page's controls.
    image = sample("crc32.elf")
    cases = [(image, dict(address="0", size="3", items="words")),             # not divisible
             (image, dict(address="0", size="0")),                            # a zero
             (image, dict(address="0", size="FFFFFFF0")),                     # past the file
             (image, dict(address="0", size="zz")),                           # usage error
             (image, dict(address="0", size="4", language="python", const=True)),  # an option the language refuses
             (image, dict(address="1", size="4", virtual_address=True)),      # not in the image
             (text_file, dict(address="10", size="4", virtual_address=True))]  # not an image
    for path, case in cases:
        page.choose(path)
        page.fill(**case)
        run = page.go()
        first = cli(*arguments_of(**case), path).stderr.decode().splitlines()[0]
        for option, control in (("zemrik-cli: ", ""), ("-s/--size", "Size"), ("--const", "Const"),
                                (os.path.dirname(path) + "/", ""),
                                ("; --list-sections lists them", ""),
                                (" with -a", " in Address, Virtual address unchecked")):
            first = first.replace(option, control)
        shown = page.messages().split("\n")[0]
        check(run["code"] != 0 and shown == first, f"refusal {case}: '{shown}' is zemrik-cli's '{first}'")
    # The text file was refused by its first bytes: it lists no symbols.
    note = Select(page["Symbol"]).options[0].text
    check(note == "(not an image: no symbols)", f"a plain file's Symbol list: '{note}'")


def test_save_and_copy(page, driver, downloads):
    image = sample("crc32.elf")
    page.choose(image)
    address, size = symbol_of(image, "crc32_table")
    case = dict(address=address, size=size or "400", items="dwords", per_line="4", language="rust", virtual_address=True,
                line_end="CR LF")
    page.fill(**case)
    page.go()
    page["Save"].click()
    saved = wait_for_download(downloads, "table.rs", 60)
    expected = cli(*arguments_of(**case), image).stdout
    check(saved is not None and open(saved, "rb").read() == expected, "Save downloads zemrik-cli's CR LF text")
    driver.execute_cdp_cmd("Browser.grantPermissions", {"origin": driver.current_url.rsplit("/", 1)[0],
                                                        "permissions": ["clipboardReadWrite",
                                                                        "clipboardSanitizedWrite"]})
    page["Copy"].click()
    copied = driver.execute_async_script(
        "const done = arguments[0]; navigator.clipboard.readText().then(done, (e) => done('failed: ' + e));")
    check(copied == page.output() and "crc32" not in copied[:0], "Copy puts the Output's text on the clipboard")


def test_drop(page, text_file):
    # A file dropped on the page is the file a run reads, in place of the one chosen.
    image = sample("crc32.elf")
    page.choose(text_file)
    page.drop(image)
    case = dict(address="10", size="20", items="words", per_line="8", language="python")
    page.fill(**case)
    page.go()
    check(page.output() == cli(*arguments_of(**case), image).stdout.decode(), "a dropped file: Output is zemrik-cli's")


def browser_rss():
    """The resident memory of all of Chromium's processes, in bytes."""
    return process_rss(b"chromium")


def test_opened_from_folder(driver, downloads, large):
    # From file:// no worker script, fetch or private storage is allowed: the
    # page still prints the table, and Save still has it.
    driver.get("file://" + os.path.join(PAGE_DIR, "index.html"))
    WebDriverWait(driver, 60).until(lambda d: d.find_elements(By.CSS_SELECTOR, "#language option"))
    page = Page(driver)
    image = sample("crc32.elf")
    page.choose(image)
    case = dict(address="0", size="40", items="words", per_line="8", language="go")
    page.fill(**case)
    page.go()
    expected = cli(*arguments_of(**case), image).stdout
    check(page.output() == expected.decode(), "from file://: Output is zemrik-cli's")
    page["Save"].click()
    saved = wait_for_download(downloads, "table.go", 60)
    check(saved is not None and open(saved, "rb").read() == expected, "from file://: Save downloads it")
    if not large:
        return
    # A table longer than the page holds for Save ends with the engine's
    # failed write and the page's reason; none of it is kept.
    page.choose(large)
    page.fill(items="bytes", language="c")
    before, peak, run = peak_during(browser_rss, lambda: page.go(timeout=900))
    lines = page.messages().split("\n")
    check(peak - before < HOLDING_GROWTH_BOUND,
          f"from file://, holding {HELD_LIMIT >> 20} MiB of a table: Chromium's processes grew by"
          f" {(peak - before) >> 20} MiB, under {HOLDING_GROWTH_BOUND >> 20} MiB")
    check(run["code"] == 2 and lines[0] == "cannot write the table to standard output" and
          lines[-1].startswith(f"Opened from a folder, the page holds at most {HELD_LIMIT >> 20} MiB")
          and page.output() == "" and not page["Save"].is_enabled(), f"from file://, past the bound: {lines}")


def test_large_table(page, downloads, large):
    before = renderer_rss()
    page.choose(large)
    growth = renderer_rss() - before
    check(growth < CHOOSING_GROWTH_BOUND, f"choosing a 64 MiB plain file: the renderer grew by {growth >> 20} MiB")
    case = dict(items="dwords", per_line="8", language="c")
    page.fill(**case)
    def print_and_save():
        run = page.go(timeout=900)
        page["Save"].click()
        return run, wait_for_download(downloads, "table.c")
    before, peak, (run, saved) = peak_during(renderer_rss, print_and_save)
    started = time.time()
    expected = cli(*arguments_of(**case), large)
    cli_seconds = time.time() - started
    same = saved is not None and subprocess.run(["cmp", "-s", saved, "-"], input=expected.stdout).returncode == 0
    check(same, f"a 64 MiB table: Save is zemrik-cli's text ({len(expected.stdout)} bytes)")
    check(run["progressShown"] > 0, f"progress shown during the long run ({run['progressShown']} updates)")
    growth = peak - before
    print(f"info  64 MiB table: page {run['milliseconds'] / 1000:.1f} s (engine {run['engineMilliseconds'] / 1000:.1f} s),"
          f" zemrik-cli {cli_seconds:.1f} s; renderer RSS {before >> 20} MiB before, peak {peak >> 20} MiB")
    check(growth < RENDERER_GROWTH_BOUND, f"the renderer grew by {growth >> 20} MiB, under {RENDERER_GROWTH_BOUND >> 20} MiB")
    if saved:
        os.remove(saved)
    # Stop ends the long run at once; the next run starts afresh. Stop is
    # clicked the moment the run enables it: a fast machine prints this
    # table in under half a second, before a test's fixed wait would end.
    page.driver.execute_script("""
        const go = document.getElementById('go'), stop = document.getElementById('stop');
        go.click();
        const poll = setInterval(() => { if (!stop.disabled) { clearInterval(poll); stop.click(); } }, 2);""")
    WebDriverWait(page.driver, 60).until(lambda d: page["Go"].is_enabled())
    stopped = (page.messages(), len(page.output()), page["Go"].is_enabled())
    check(stopped == ("Stopped.", 0, True), f"Stop ends a long run: {stopped}")
    image = sample("crc32.elf")
    page.choose(image)
    case = dict(address="0", size="10")
    page.fill(**case)
    page.go()
    check(page.output() == cli(*arguments_of(**case), image).stdout.decode(), "after Stop, a run prints its table")


def main():
    scratch = tempfile.mkdtemp(prefix="zemrik-web-")
    downloads = os.path.join(scratch, "downloads")
    os.mkdir(downloads)
    text_file = os.path.join(scratch, "notes.txt")
    with open(text_file, "w") as f:
        f.write("plain text, no image here\n" * 8)
    large = None
    if os.environ.get("ZEMRIK_WEB_LARGE", "1") == "1":
        # Random numbers after a plain start, which no image has.
        large = os.path.join(scratch, "large.bin")
        with open(large, "wb") as f:
            f.write(b"plain data")
            for _ in range(LARGE_SIZE // (1 << 20)):
                f.write(os.urandom(1 << 20))
            f.truncate(LARGE_SIZE)
    server = serve(PAGE_DIR)
    driver = start_browser(os.path.join(scratch, "profile"), downloads)
    try:
        driver.get(f"http://127.0.0.1:{server.server_port}/index.html")
        WebDriverWait(driver, 60).until(lambda d: d.find_elements(By.CSS_SELECTOR, "#language option"))
        page = Page(driver)
        for name in ("File", "Symbol", "Address", "Size", "Items", "Per line", "Language", "Decimal", "Big-endian",
                     "Virtual address", "Name", "Fixed-width types", "Const", "Length constant", "Go", "Stop", "Output",
                     "Copy", "Save"):
            check(name in page.controls, f"a control named {name}")
        for name, option in (("Items", "-i"), ("Language", "-l")):
            offered = [o.text for o in Select(page[name]).options]
            listed = cli(option, "?", "f").stderr.decode().splitlines()[0].split(" is not ")[1]
            check(offered == listed.replace(" or ", ", ").split(", "), f"the {name} list is zemrik-cli's: {offered}")
        test_tables(page)
        test_refusals(page, text_file)
        test_save_and_copy(page, driver, downloads)
        test_drop(page, text_file)
        # The page as a person sees it, for the README.
        image, symbol = ("crc32.exe", "_crc32_table") if os.path.exists(sample("crc32.exe")) else ("crc32.elf",
                                                                                                 "crc32_table")
        page.choose(sample(image))
        Select(page["Symbol"]).select_by_visible_text(symbol)
        page.fill(address=page["Address"].get_attribute("value"), size="40", items="dwords", per_line="4",
                  virtual_address=True)
        page.go()
        driver.save_screenshot(os.path.join(OUTPUT_DIR, "zemrik-web.png"))
        test_opened_from_folder(driver, downloads, large)
        driver.get(f"http://127.0.0.1:{server.server_port}/index.html")
        WebDriverWait(driver, 60).until(lambda d: d.find_elements(By.CSS_SELECTOR, "#language option"))
        page = Page(driver)
        if large:
            test_large_table(page, downloads, large)
    finally:
        driver.quit()
        server.shutdown()
        shutil.rmtree(scratch, ignore_errors=True)
    print(f"web: {len(failures)} failed" if failures else "web: all passed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
