"""The registry: each surface's name and the class that implements it. The
only module that knows them all; none of them imports it. e2e/CMakeLists.txt
lists the same names (e2e.harness fails while the two differ)."""

from . import chromium, firefox, surface, webkit

SURFACES = {
    "window": surface.Window,
    "chromium": chromium.Mouse,
    "trackpad": chromium.Trackpad,
    "phone": chromium.Phone,
    "tablet": chromium.Tablet,
    "keyboard": chromium.Keyboard,
    "webkit": webkit.Surface,
    "firefox": firefox.Surface,
    # The Debug build of the site in Chromium (ctest points it there): a
    # build the optimiser has not inlined, where a function that may pause
    # and is not instrumented shows.
    "chromium-debug": chromium.Mouse,
}


def open_surface(name, *args, **options):
    """The surface called `name`, ready for start()."""
    if name not in SURFACES:
        raise RuntimeError("no surface %r; the surfaces are %s" % (name, ", ".join(SURFACES)))
    made = SURFACES[name](*args, **options)
    made.name = name
    return made
