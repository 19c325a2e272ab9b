// figurant-read: the figure reader the program runs in a process of its own. It reads FILE through
// the import library and writes the plain scene (or the reason it could not) to its standard
// output for the program that started it, under the limits that program set.
#include "FigureReadApart.h"

#include <cstdio>
#include <unistd.h>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fputs("usage: figurant-read FILE (started by the program, which reads its output)\n", stderr);
        return 2;
    }
    return figurant::AnswerFigureRead(argv[1], STDOUT_FILENO);
}
