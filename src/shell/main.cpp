// Engine entry point: the protocol loop arrives with the shell.
int main() { return 0; }
