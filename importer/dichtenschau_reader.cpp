// The reader program the viewer and dat-import start for every volume but `.dat`
// (ReaderProgram says what it does).

#include "ReaderProgram.h"

int main(int argc, char **argv)
{
    return ReaderProgram().run(argc, argv);
}
