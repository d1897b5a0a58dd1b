// Framework (filled in).
