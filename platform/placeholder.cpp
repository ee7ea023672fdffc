// Keeps the library non-empty until the first stand-in arrives.
