// Writes korvane's program icon as a PNG file for the desktop entry:
//
//   korvane_icon_writer FILE SIZE

#include "korvane/tool/gui/korvane_icons.h"

#include <QImage>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    const int size = argc == 3 ? std::atoi(argv[2]) : 0;
    if (size <= 0 ||
        !korvane::korvaneIconImage(size).save(QString::fromLocal8Bit(argv[1]), "PNG")) {
        std::fprintf(stderr, "Aufruf: korvane_icon_writer DATEI GRÖSSE\n");
        return 2;
    }
    return 0;
}
