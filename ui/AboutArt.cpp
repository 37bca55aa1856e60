#include "AboutArt.h"

#include <QColor>
#include <QPainter>
#include <QPixmap>

namespace {

constexpr int kCursorHotSpotX = 12;
constexpr int kCursorHotSpotY = 1;

// Black outline, white inside, the rest transparent.
const char* const kHandCursor[] = {"32 32 3 1",
                                   "  c None",
                                   "# c #000000",
                                   ". c #FFFFFF",
                                   "                                ",
                                   "            ###                 ",
                                   "           #...#                ",
                                   "           #...#                ",
                                   "           #...#                ",
                                   "           #...#                ",
                                   "           #...#                ",
                                   "           #...####             ",
                                   "           #...#...####         ",
                                   "           #...#...#...#        ",
                                   "           #...#...#...###      ",
                                   "           #...#...#...#..#     ",
                                   "           #...#...#...#..#     ",
                                   "           #...#...#...#..#     ",
                                   "           #...#...#...#..#     ",
                                   "        ####...#...#...#..#     ",
                                   "       #..................#     ",
                                   "       #..................#     ",
                                   "       #..................#     ",
                                   "        #.................#     ",
                                   "         #................#     ",
                                   "          #...............#     ",
                                   "          #...............#     ",
                                   "           ##............#      ",
                                   "            #............#      ",
                                   "             #..........#       ",
                                   "             #..........#       ",
                                   "              ##########        ",
                                   "                                ",
                                   "                                ",
                                   "                                ",
                                   "                                "};

// Colours of the 16-colour palette the icon keeps to.
const QColor kBlack(0, 0, 0);
const QColor kNavy(0, 0, 128);
const QColor kGray(128, 128, 128);
const QColor kYellow(255, 255, 0);

// A yellow disc with an "i", drawn on a 16-unit grid so both sizes keep the same shape.
QPixmap windowIconImage(int size) {
    const int unit = size / 16;
    const auto units = [unit](int x, int y, int width, int height) {
        return QRect(x * unit, y * unit, width * unit, height * unit);
    };
    QPixmap image(size, size);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setPen(Qt::NoPen);
    painter.setBrush(kGray);
    painter.drawEllipse(units(2, 2, 14, 14));
    painter.setPen(QPen(kBlack, 0));
    painter.setBrush(kYellow);
    painter.drawEllipse(units(1, 1, 14, 14));
    painter.fillRect(units(7, 3, 2, 2), kNavy);
    painter.fillRect(units(7, 6, 2, 5), kNavy);
    painter.fillRect(units(6, 11, 4, 1), kNavy);
    return image;
}

} // namespace

QCursor linkCursor() {
    return QCursor(QPixmap(kHandCursor), kCursorHotSpotX, kCursorHotSpotY);
}

QIcon aboutWindowIcon() {
    QIcon icon;
    icon.addPixmap(windowIconImage(32));
    icon.addPixmap(windowIconImage(16));
    return icon;
}
