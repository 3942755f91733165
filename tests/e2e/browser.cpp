// Stands in for the web browser: appends the address it was asked to open to the file
// named by E2E_BROWSER_LOG.

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    const char* log = getenv("E2E_BROWSER_LOG");
    if (!log) return 1;
    FILE* out = fopen(log, "a");
    if (!out) return 1;
    for (int i = 1; i < argc; ++i) fprintf(out, "%s%s", i > 1 ? " " : "", argv[i]);
    fprintf(out, "\n");
    return fclose(out) == 0 ? 0 : 1;
}
