// Program entry: replaced by the shell's RunGame once the window shell lands.
int main() { return 0; }
