// kvtclean: the clean-up program KVTInst runs once after an installation, with the version text
// as its only argument, and whose exit code it logs. An installation of this product leaves
// nothing behind to clean, so it ends at once with 0, as the script the POSIX package delivers.
int main() { return 0; }
