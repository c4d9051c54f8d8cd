// The entry point of CSAGNT.
int main() { return 0; }
