// Entry point of signup.
int main() { return 0; }
