#include "FontSubstitutes.h"
#include "frmAbout.h"

#include <QApplication>
#include <cstdio>

// Saves the About box, loaded as it is when it opens, as a PNG file.
int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: about_screenshot FILE.png\n");
        return 2;
    }
    installFontSubstitutes(); // as the program does, so Tahoma and MS Sans Serif show as they will
    frmAbout box;
    box.Form_Load();
    box.show();
    return box.grab().save(QString::fromLocal8Bit(argv[1]), "PNG") ? 0 : 1;
}
