#!/usr/bin/python3
"""Makes docs/web.png, docs/web-phone.png and docs/web-phone-turned.png: the
browser edition's page in headless Chromium, on a desktop and on a phone (360
x 740 CSS pixels at 3 device pixels each, a touch screen) held upright and
then turned, with a B-spline placed by real clicks or taps, chosen on the
page's menu and refined in the page's console (the 'n' dialogue answered in
the entry field).

    cmake --preset release && cmake --build --preset release --target frame_oracle
    cmake --preset web && cmake --build --preset web
    /usr/bin/python3 -m scripts.web_screenshot [--site build/web/site]
                     [--oracle build/release/e2e/frame_oracle] [--out docs/web.png]
                     [--phone-out docs/web-phone.png] [--turned-out docs/web-phone-turned.png]

The picture is taken only once the canvas shows exactly the frame the
project's own frame composition predicts for the scene.
"""

import argparse
import os

from e2e import harness, surfaces

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))

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

    def draw(surface):
        surface.start()
        for spot in SPOTS:
            surface.place(*spot)
        surface.menu(BSPLINE_ENTRY)
        surface.key("n")
        surface.answer(str(STEPS))
        surface.wait_frame(expected)
        surface.page.script("document.activeElement.blur(); document.getElementById('help').open = false;"
                            " window.scrollTo(0, 0)")

    def shoot(surface, path):
        surface.engine.driver.save_screenshot(path)
        print("wrote", path)

    desktop = surfaces.open_surface("chromium", args.site)
    try:
        desktop.engine.driver.set_window_size(1100, 800)
        draw(desktop)
        shoot(desktop, args.out)
    finally:
        desktop.stop()
    # The phone in a browser at the phone's own scale, so that the picture
    # shows its device pixels as the phone does.
    phone = surfaces.open_surface("phone", args.site, scale=3)
    try:
        draw(phone)
        shoot(phone, args.phone_out)
        # Turned: the same scene, laid out anew beside the canvas.
        phone.engine.emulate(740, 360, scale=3, mobile=True, touch=True)
        harness.wait_until(lambda: phone.page.script("return document.body.dataset.layout") == "beside", 5,
                           "the page laid out for a phone turned")
        phone.page.script("window.scrollTo(0, 0)")
        phone.wait_frame(expected)
        shoot(phone, args.turned_out)
    finally:
        phone.stop()


if __name__ == "__main__":
    main()
