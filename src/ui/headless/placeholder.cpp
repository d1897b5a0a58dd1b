// Headless backend (filled in with the framework).
