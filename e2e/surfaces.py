"""The registry: each surface's name and the class that implements it, and
the groups (the test classes of each suite module). The only module that
knows them all; none of them imports it. e2e/CMakeLists.txt makes its CTest
tests from what `python3 -m e2e.surfaces` prints, so nothing is listed twice."""

import importlib
import unittest

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


# Each module's groups become the CMake list named here.
MODULES = {"SCENE_GROUPS": "scenes", "WINDOW_GROUPS": "test_editor", "WEB_GROUPS": "test_web"}


def groups(module):
    """The test classes that `module` defines itself, in their order."""
    found = importlib.import_module("e2e." + module)
    return [name for name, cls in vars(found).items() if isinstance(cls, type) and issubclass(cls, unittest.TestCase)
            and cls.__module__ == found.__name__ and unittest.TestLoader().getTestCaseNames(cls)]


if __name__ == "__main__":
    print("set(SURFACES %s)" % " ".join(SURFACES))
    for variable, module in MODULES.items():
        print("set(%s %s)" % (variable, " ".join(groups(module))))
