#ifndef COLOR_WHEEL_H
#define COLOR_WHEEL_H

#include <cstdint>

constexpr int kWheelEntries = 55;

struct ColorWheelTable {
    int entries[kWheelEntries][3];
};

namespace colorwheel_detail {
constexpr void setEntry(ColorWheelTable &wheel, int &k, int red, int green, int blue)
{
    wheel.entries[k][0] = red;
    wheel.entries[k][1] = green;
    wheel.entries[k][2] = blue;
    ++k;
}
} // namespace colorwheel_detail

// The wheel's six segments, red to yellow to green to cyan to blue to magenta and back to
// red, with truncating integer division.
constexpr ColorWheelTable BuildColorWheel()
{
    using colorwheel_detail::setEntry;
    constexpr int kRedYellow = 15, kYellowGreen = 6, kGreenCyan = 4, kCyanBlue = 11,
                  kBlueMagenta = 13, kMagentaRed = 6;
    static_assert(kRedYellow + kYellowGreen + kGreenCyan + kCyanBlue + kBlueMagenta + kMagentaRed ==
                  kWheelEntries);
    ColorWheelTable wheel{};
    int k = 0;
    for (int i = 0; i < kRedYellow; ++i)
        setEntry(wheel, k, 255, 255 * i / kRedYellow, 0);
    for (int i = 0; i < kYellowGreen; ++i)
        setEntry(wheel, k, 255 - 255 * i / kYellowGreen, 255, 0);
    for (int i = 0; i < kGreenCyan; ++i)
        setEntry(wheel, k, 0, 255, 255 * i / kGreenCyan);
    for (int i = 0; i < kCyanBlue; ++i)
        setEntry(wheel, k, 0, 255 - 255 * i / kCyanBlue, 255);
    for (int i = 0; i < kBlueMagenta; ++i)
        setEntry(wheel, k, 255 * i / kBlueMagenta, 0, 255);
    for (int i = 0; i < kMagentaRed; ++i)
        setEntry(wheel, k, 255, 0, 255 - 255 * i / kMagentaRed);
    return wheel;
}

// The process-wide colour wheel: red, green, blue (0-255) per entry. Built by the compiler,
// so it is whole before the first colour is asked for and no thread can see it change.
inline constexpr ColorWheelTable kColorWheelTable = BuildColorWheel();
inline constexpr const int (&colorWheel)[kWheelEntries][3] = kColorWheelTable.entries;
inline constexpr int wheelSize = kWheelEntries;

// Colour of the normalised vector (fx, fy) as blue, green, red. Radius 1 is full
// saturation, shorter fades to white, longer is the wheel colour at 75 %. A NaN component
// gives black, the colour of unknown flow.
void VectorColor(float fx, float fy, unsigned char pix[3]);

// Colours one row of cols flow vectors into red, green, blue pixels: unknown vectors black,
// known ones normalised by multiplying with inverseRadius and rounding to float, then
// coloured as VectorColor does, through the fastest row kernel.
void colorFlowRow(const float *u, const float *v, std::uint8_t *rgb, int cols,
                  double inverseRadius);

#endif // COLOR_WHEEL_H
