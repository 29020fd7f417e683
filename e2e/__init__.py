"""The end-to-end suite: the scenes every surface passes, the surfaces, and
the groups of one surface. The long checks (fuzz/memcheck.py), the
screenshots (scripts/) and the browser benchmark (bench/) use it as a
package: run them from the project root with `python3 -m`, or with the root
on PYTHONPATH as CTest does."""
