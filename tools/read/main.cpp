// figurant-read: the figure reader the program runs in a process of its own. It reads FILE through
// the import library and writes the plain scene (or the reason it could not) to its standard
// output for the program that started it, under the limits that program set. With --wait it sets
// the library up first and takes the file's name from its standard input (a spare reader).
#include "FigureReadApart.h"

#include <cstdio>
#include <cstring>
#include <unistd.h>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fputs("usage: figurant-read FILE | --wait (started by the program, which reads its output)\n",
                   stderr);
        return 2;
    }
    if (std::strcmp(argv[1], "--wait") == 0)
        return figurant::AnswerWaitingFigureRead(STDIN_FILENO, STDOUT_FILENO);
    return figurant::AnswerFigureRead(argv[1], STDOUT_FILENO);
}
