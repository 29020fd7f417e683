"""The registry: each surface's name and the class that implements it. The
only module that knows them all; none of them imports it."""

import contextlib

import browser
import devices
import firefox
import surface
import webkit

SURFACES = {
    "window": surface.Window,
    "chromium": browser.PageSurface,
    "trackpad": devices.Trackpad,
    "phone": devices.Phone,
    "tablet": devices.Tablet,
    "keyboard": devices.Keyboard,
    "webkit": webkit.Surface,
    "firefox": firefox.Surface,
}
# The Debug build of the site in Chromium: a build the optimiser has not
# inlined, where a function missing from the list that may pause shows.
SURFACES["chromium-debug"] = browser.PageSurface


def open_surface(name):
    """The surface called `name`, ready for start()."""
    if name not in SURFACES:
        raise RuntimeError("no surface %r; the surfaces are %s" % (name, ", ".join(SURFACES)))
    made = SURFACES[name]()
    made.name = name
    return made


@contextlib.contextmanager
def served_page(site, engine="chromium"):
    """`site` served and loaded in a browser of `engine`'s surface, torn
    down after (for the benchmarks and the screenshots)."""
    made = SURFACES[engine](site)
    try:
        made.start()
        yield made.page
    finally:
        made.stop()
