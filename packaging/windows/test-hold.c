/* For test-installer: holds what a running copy of the program holds until its standard
 * input ends. "test-hold mutex" holds the program's mutex; "test-hold file PATH" keeps PATH
 * open without sharing, as a program using it would. Prints "held" once it holds it. */
#include <windows.h>
#include <stdio.h>
#include <string.h>

int main(int argc, char** argv)
{
    HANDLE held = NULL;
    if (argc == 2 && strcmp(argv[1], "mutex") == 0)
        held = CreateMutexA(NULL, TRUE, "TARVIXCONFIG");
    else if (argc == 3 && strcmp(argv[1], "file") == 0)
        held = CreateFileA(argv[2], GENERIC_READ, 0, NULL, OPEN_EXISTING, 0, NULL);
    else {
        fprintf(stderr, "usage: test-hold mutex | test-hold file PATH\n");
        return 2;
    }
    if (held == NULL || held == INVALID_HANDLE_VALUE) {
        fprintf(stderr, "test-hold: cannot hold it (error %lu)\n", GetLastError());
        return 1;
    }
    printf("held\n");
    fflush(stdout);
    char buffer[64];
    while (fgets(buffer, sizeof buffer, stdin))
        ;
    CloseHandle(held);
    return 0;
}
