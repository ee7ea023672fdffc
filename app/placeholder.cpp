// Keeps the library non-empty while the window has no sources of its own.
