// Writes a few lines to the file named on the command line.
#include "filehandle.h"

#include <iostream>

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::cerr << "usage: " << argv[0] << " FILE\n";
        return 2;
    }
    try {
        FileHandle out(argv[1], "w");
        for (int i = 1; i <= 3; ++i)
            std::fprintf(out.get(), "line %d\n", i);
        FileHandle moved = std::move(out);   // ownership passes; closed once
        std::fputs("done\n", moved.get());
    } catch (const std::exception &e) {
        std::cerr << e.what() << '\n';
        return 1;
    }
    return 0;
}
