// Application (filled in).
