"""The page in a real browser (headless chromium through selenium): typing
redraws the design, an invalid value shows the command line's message and
keeps the drawing, the address reopens the design, long work shows progress
and is cancelled, and every download is the command line's file."""
import os
import time
from pathlib import Path

import pytest

from conftest import DATE, cli_file, need, run

DESIGN = ["--type", "lowpass", "--cutoff", "100MHz", "--ripple", "0.5", "--sections", "5"]
QUERY = "type=lowpass&cutoff=100MHz&ripple=0.5&sections=5"
KINDS = {"report": "design.txt", "json": "design.json", "spice": "design.cir",
         "touchstone": "design.s2p", "csv": "design.csv", "html": "design.html"}


@pytest.fixture(scope="module")
def browser(tmp_path_factory):
    webdriver = need("selenium.webdriver")
    if not os.path.exists("/usr/bin/chromedriver") and os.environ.get("CI") != "true":
        pytest.skip("chromedriver is not installed")
    downloads = tmp_path_factory.mktemp("downloads")
    options = webdriver.ChromeOptions()
    for argument in ("--headless=new", "--no-sandbox", "--disable-gpu", "--disable-dev-shm-usage",
                     "--window-size=1400,1000"):
        options.add_argument(argument)
    # The profile in the test's own folder: left to itself chromium leaves
    # one in /tmp behind every run.
    options.add_argument("--user-data-dir=" + str(tmp_path_factory.mktemp("profile")))
    options.add_experimental_option("prefs", {"download.default_directory": str(downloads)})
    service = webdriver.chrome.service.Service("/usr/bin/chromedriver")
    driver = webdriver.Chrome(service=service, options=options)
    driver.execute_cdp_cmd("Page.setDownloadBehavior",
                           {"behavior": "allow", "downloadPath": str(downloads)})
    driver.downloads = downloads
    yield driver
    driver.quit()


def until(condition, timeout=20, what="the page"):
    end = time.monotonic() + timeout
    while time.monotonic() < end:
        value = condition()
        if value:
            return value
        time.sleep(0.05)
    raise AssertionError(f"timed out waiting for {what}")


def element(driver, css):
    return driver.find_element("css selector", css)


def parts(driver):
    """The parts drawn in the schematic of the design page in the frame."""
    driver.switch_to.frame(element(driver, "#drawing"))
    try:
        return len(driver.find_elements("css selector", "g.part"))
    finally:
        driver.switch_to.default_content()


def drawn(driver):
    return int(element(driver, "body").get_attribute("data-drawn") or 0)


def answered(driver):
    """Whether the page's last answer is that of the form as it stands."""
    return element(driver, "body").get_attribute("data-answered") == \
        driver.execute_script("return encode(given(true))")


def retype(driver, name, text):
    """Replaces the field's text and waits for the page to answer it."""
    before = drawn(driver)
    field = element(driver, "#f-" + name)
    field.clear()
    field.send_keys(text)
    until(lambda: drawn(driver) > before and answered(driver), what=f"--{name} {text} answered")


def message(driver):
    return element(driver, "#message").text


def open_page(driver, server, query):
    driver.get(server.url + "?" + query)
    until(lambda: drawn(driver) >= 1, what="the first drawing")


def test_the_schematic_follows_the_order_and_keeps_its_drawing_on_an_error(browser, server, tmp_path):
    open_page(browser, server, QUERY)
    assert parts(browser) == 5
    for order in (7, 3, 9):
        retype(browser, "sections", str(order))
        until(lambda: parts(browser) == order, what=f"{order} parts")
        assert f"sections={order}" in browser.current_url
    assert element(browser, "#command").text == " ".join(["varnholt", "design", *DESIGN[:-1], "9"])
    # An invalid value: the command line's own message, beside the field too,
    # and the last good drawing stays.
    retype(browser, "ripple", "half")
    status, _, err = run(["design", *DESIGN[:5], "half", "--sections", "9"], tmp_path)
    assert status == 2
    assert message(browser) == err.strip().removeprefix("varnholt: ")
    assert element(browser, "#m-ripple").text == message(browser)
    assert parts(browser) == 9
    retype(browser, "ripple", "0.25")
    assert message(browser) == ""


def test_a_bookmark_reopens_the_same_design(browser, server):
    open_page(browser, server, QUERY)
    retype(browser, "response", "butterworth")
    retype(browser, "ripple", "")
    element(browser, "#f-log").click()
    until(lambda: "log" in browser.current_url and answered(browser), what="the drawing with --log")
    address = browser.current_url
    drawing = browser.execute_script("return document.getElementById('drawing').srcdoc")
    browser.get("about:blank")
    browser.get(address)
    until(lambda: drawn(browser) >= 1, what="the reopened drawing")
    assert browser.current_url == address
    assert element(browser, "#f-response").get_attribute("value") == "butterworth"
    assert element(browser, "#f-log").is_selected()
    reopened = browser.execute_script("return document.getElementById('drawing').srcdoc")
    assert DATE.sub(b"", reopened.encode()) == DATE.sub(b"", drawing.encode())


def test_every_download_is_the_command_lines_file(browser, server, tmp_path):
    open_page(browser, server, QUERY + "&round=E12&q-inductor=80")
    args = ["design", *DESIGN, "--round", "E12", "--q-inductor", "80"]
    for kind, name in KINDS.items():
        href = element(browser, "#d-" + kind).get_attribute("href")
        status, headers, body = server.get(href.removeprefix(server.url))
        assert status == 200, body
        assert headers["Content-Disposition"] == f'attachment; filename="{name}"'
        assert DATE.sub(b"", body) == DATE.sub(b"", cli_file(args, kind, name, tmp_path)), kind
    # One through the browser's own download.
    element(browser, "#d-csv").click()
    saved = until(lambda: [p for p in Path(browser.downloads).glob("design*.csv")], what="the download")
    assert saved[0].read_bytes() == cli_file(args, "csv", "design.csv", tmp_path)


def test_an_uploaded_design_file_is_analysed(browser, server, tmp_path):
    design = tmp_path / "lp7.json"
    design.write_bytes(cli_file(["design", *DESIGN[:-1], "7"], "json", "lp7.json", tmp_path))
    open_page(browser, server, QUERY + "&points=51")
    before = drawn(browser)
    element(browser, "#circuit").send_keys(str(design))
    until(lambda: drawn(browser) > before and answered(browser), what="the analysis")
    assert message(browser) == ""
    assert parts(browser) == 7
    assert not element(browser, "#f-sections").is_enabled()
    assert element(browser, "#f-points").is_enabled()
    assert element(browser, "#command").text == "varnholt analyse lp7.json --points 51"
    element(browser, "#d-csv").click()
    saved = until(lambda: list(Path(browser.downloads).glob("lp7*.csv")), what="the download")
    assert saved[0].read_bytes() == cli_file(["analyse", "lp7.json", "--points", "51"], "csv",
                                             "out.csv", tmp_path)


def test_long_work_shows_progress_and_is_cancelled(browser, server):
    open_page(browser, server, QUERY + "&sections=7&tolerance-l=5&tolerance-c=5&mask-passband-loss=1")
    assert parts(browser) == 7
    field = element(browser, "#f-trials")
    field.send_keys("100000")
    # Typed slowly, the shorter counts ("1", "10", ...) run and answer first:
    # wait for the run of the whole count, and count answers from there.
    until(lambda: "of 100000" in element(browser, "#progress-text").text, timeout=60,
          what="the progress of 100000 trials")
    before = drawn(browser)
    element(browser, "#cancel").click()
    until(lambda: drawn(browser) > before, timeout=60, what="the cancelled work")
    assert message(browser) == "cancelled"
    assert parts(browser) == 7
    # Leaving the field for the button is no reason to start the work again.
    time.sleep(1)
    assert drawn(browser) == before + 1
    assert browser.execute_script("return running") is None
