/* A library that only shows it was loaded: its constructor writes the file named by TERVOLEN_MARKER. */
#include <stdio.h>
#include <stdlib.h>

__attribute__((constructor)) static void writeMarker(void) {
    const char* path = getenv("TERVOLEN_MARKER");
    if (path == NULL)
        return;
    FILE* marker = fopen(path, "w");
    if (marker != NULL) {
        fputs("loaded\n", marker);
        fclose(marker);
    }
}
