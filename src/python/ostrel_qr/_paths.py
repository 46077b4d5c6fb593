"""Where the library lies relative to this module; cmake --install writes the installed value."""

LIBRARY_DIR = None
