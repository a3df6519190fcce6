#ifndef FLOW_KEY_H
#define FLOW_KEY_H

#include <QImage>

// The colour-wheel key of the flow view: each pixel coloured by VectorColor for the vector from
// the centre to it, with axes, ticks at each quarter of the unit radius and the unit circle.
struct FlowKeyLayout {
    int size = 0;           // width and height in pixels
    double centre = 0;      // x and y of the zero vector, in pixel coordinates
    double radius = 0;      // pixels from the centre to full saturation
    int samples = 1;        // samples x samples colour samples averaged per pixel
    int axisWidth = 1;      // thickness of the axes and ticks
    int tickHalf = 1;       // half length of a tick; those on the unit circle are twice as long
    int centreGap = 0;      // pixels kept clear of the axes on each side of the centre
    double ringWidth = 1.0; // pen width of the unit circle
};

// The window icon's design at size x size pixels, smoothed by 4 x 4 samples per pixel.
FlowKeyLayout iconKeyLayout(int size);

// The exported legend: one sample per pixel, so every pixel shows exactly the colour the flow
// view gives its vector, and the zero vector on pixel (size / 2, size / 2) stays white.
FlowKeyLayout legendKeyLayout(int size);

// An RGB888 image of the key.
QImage drawFlowKey(const FlowKeyLayout &layout);

#endif // FLOW_KEY_H
