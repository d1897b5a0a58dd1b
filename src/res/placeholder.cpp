// Resources (filled in).
