#pragma once
// Pictures and pixel checks shared by the stereo tests.

#include <gtest/gtest.h>

#include <QImage>

#include <vector>

inline QImage Solid(int w, int h, QRgb pixel)
{
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(pixel);
    return image;
}

struct TPixel {
    int X, Y;
    QRgb Colour;
};

// Every listed pixel has its colour (alpha ignored); names each one that has not.
inline testing::AssertionResult PixelsAre(const QImage& image, const std::vector<TPixel>& pixels)
{
    std::string wrong;
    for (const TPixel& p : pixels) {
        const QRgb got = image.valid(p.X, p.Y) ? image.pixel(p.X, p.Y) | 0xFF000000u : 0;
        if (got != p.Colour)
            wrong += QString::asprintf(" (%d,%d) is %08x, not %08x;", p.X, p.Y, got, p.Colour).toStdString();
    }
    return wrong.empty() ? testing::AssertionSuccess() : testing::AssertionFailure() << wrong;
}
