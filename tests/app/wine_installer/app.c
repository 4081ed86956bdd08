/* The installed program: does nothing but exist with a version resource. */
int main(void) { return 0; }
