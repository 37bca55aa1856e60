#pragma once

#include <QRect>

// Window positions are given in twips (1/1440 inch); at 96 dots per inch a pixel is 15 twips.
constexpr int kTwipsPerPixel = 15;

constexpr int twipsToPixels(int twips) {
    return (twips + kTwipsPerPixel / 2) / kTwipsPerPixel;
}

// A rectangle given as left, top, width and height in twips, in pixels.
inline QRect twipsRect(int left, int top, int width, int height) {
    return QRect(twipsToPixels(left), twipsToPixels(top), twipsToPixels(width), twipsToPixels(height));
}
