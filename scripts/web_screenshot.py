#!/usr/bin/python3
"""Makes docs/web.png, docs/web-phone.png and docs/web-phone-turned.png: the
browser edition's page in headless Chromium, on a desktop and on a phone (360
x 740 CSS pixels at 3 device pixels each, a touch screen) held upright and
then turned, with a B-spline placed by real clicks or taps, chosen on the
page's menu and refined in the page's console (the 'n' dialogue answered in
the entry field).

    cmake --preset release && cmake --build --preset release --target frame_oracle
    cmake --preset web && cmake --build --preset web
    /usr/bin/python3 scripts/web_screenshot.py [--site build/web/site]
                     [--oracle build/release/e2e/frame_oracle] [--out docs/web.png]
                     [--phone-out docs/web-phone.png] [--turned-out docs/web-phone-turned.png]

The picture is taken only once the canvas shows exactly the frame the
project's own frame composition predicts for the scene.
"""

import argparse
import os
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(ROOT, "e2e"))

import browser  # noqa: E402  (found through the path set above)
import harness  # noqa: E402
import surfaces  # noqa: E402

# Canvas positions (y down), in placement order.
SPOTS = [(40, 440), (70, 90), (160, 300), (230, 80), (300, 420),
         (370, 150), (440, 380), (470, 60)]
BSPLINE_ENTRY = 2
STEPS = 12


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    ap.add_argument("--site", default=os.path.join(ROOT, "build", "web", "site"))
    ap.add_argument("--oracle", default=os.path.join(ROOT, "build", "release", "e2e", "frame_oracle"))
    ap.add_argument("--out", default=os.path.join(ROOT, "docs", "web.png"))
    ap.add_argument("--phone-out", default=os.path.join(ROOT, "docs", "web-phone.png"))
    ap.add_argument("--turned-out", default=os.path.join(ROOT, "docs", "web-phone-turned.png"))
    args = ap.parse_args()

    points = [(x, harness.SIZE - y) for x, y in SPOTS]
    expected = harness.oracle_lit(args.oracle, "bspline", points, 5, STEPS)
    with surfaces.served_page(args.site) as page:
        page.driver.set_window_size(1100, 800)
        page.reload()
        for x, y in SPOTS:
            page.click(x, y)
        page.menu(BSPLINE_ENTRY)
        page.key("n")
        page.enter_line(str(STEPS))
        page.wait_frame(expected)
        page.script("document.activeElement.blur(); document.getElementById('help').open = false")
        page.driver.save_screenshot(args.out)
        print("wrote", args.out)

    # The phone in a browser at the phone's own scale, so that the picture
    # shows its device pixels as the phone does.
    server = browser.SiteServer(args.site)
    phone = browser.Browser(scale=3)
    try:
        page = browser.Page(phone, server.url)
        page.emulate(360, 740, scale=3, mobile=True, touch=True)
        page.reload()
        for x, y in SPOTS:
            page.tap(x, y)
        page.long_press(250, 250)
        page.tap_client(*page.element_centre("#menu > li:nth-child(%d)" % (BSPLINE_ENTRY + 1)))
        page.tap_client(*page.element_centre("#key-n"))
        page.enter_line(str(STEPS))
        page.wait_frame(expected)
        page.script("document.activeElement.blur(); document.getElementById('help').open = false;"
                    " window.scrollTo(0, 0)")
        page.driver.save_screenshot(args.phone_out)
        print("wrote", args.phone_out)
        # Turned: the same scene, laid out anew beside the canvas.
        page.emulate(740, 360, scale=3, mobile=True, touch=True)
        harness.wait_until(lambda: page.script("return document.body.dataset.layout") == "beside", 5,
                           "the page laid out for a phone turned")
        page.script("window.scrollTo(0, 0)")
        page.wait_frame(expected)
        page.driver.save_screenshot(args.turned_out)
        print("wrote", args.turned_out)
    finally:
        phone.quit()
        server.stop()


if __name__ == "__main__":
    main()
