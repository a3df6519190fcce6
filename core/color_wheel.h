#ifndef COLOR_WHEEL_H
#define COLOR_WHEEL_H

#include <cstdint>

constexpr int kWheelEntries = 55;

// The process-wide colour wheel: red, green, blue (0-255) per entry. wheelSize is 0 until
// BuildColorWheel has run, then 55; the wheel is never rebuilt.
extern int colorWheel[kWheelEntries][3];
extern int wheelSize;

void BuildColorWheel();

// Colour of the normalised vector (fx, fy) as blue, green, red. Radius 1 is full
// saturation, shorter fades to white, longer is the wheel colour at 75 %. A NaN component
// gives black, the colour of unknown flow.
void VectorColor(float fx, float fy, unsigned char pix[3]);

// Colours one row of cols flow vectors into red, green, blue pixels: unknown vectors black,
// known ones normalised by multiplying with inverseRadius and rounding to float, then
// coloured as VectorColor does. The one place a faster path would go.
void colorFlowRow(const float *u, const float *v, std::uint8_t *rgb, int cols,
                  double inverseRadius);

#endif // COLOR_WHEEL_H
