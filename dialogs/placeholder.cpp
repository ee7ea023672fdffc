// Keeps the library non-empty until the dialogs arrive.
