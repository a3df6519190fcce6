#ifndef BILINEAR_H
#define BILINEAR_H

// Where a flow vector points and the weights of the four pixels around that point, shared by
// the warp and the consistency check so that both sample at exactly the same place.

struct BilinearPoint {
    int x0, y0, x1, y1;
    double ax, ay;
};

// False when (px, py) lies outside [0, W-1] x [0, H-1] (NaN included).
inline bool bilinearPoint(double px, double py, int width, int height, BilinearPoint *point)
{
    if (!(px >= 0 && px <= double(width - 1) && py >= 0 && py <= double(height - 1)))
        return false;
    // Both are non-negative here, where truncation is floor and needs no call into libm.
    point->x0 = int(px);
    point->y0 = int(py);
    const double fx = point->x0;
    const double fy = point->y0;
    point->ax = px - fx;
    point->ay = py - fy;
    point->x1 = point->x0 + 1 < width ? point->x0 + 1 : width - 1;
    point->y1 = point->y0 + 1 < height ? point->y0 + 1 : height - 1;
    return true;
}

// The weighted sum in the one order every caller uses: rows first, then between them.
inline double bilinearSample(const BilinearPoint &p, double i00, double i10, double i01,
                             double i11)
{
    return (1 - p.ay) * ((1 - p.ax) * i00 + p.ax * i10) + p.ay * ((1 - p.ax) * i01 + p.ax * i11);
}

#endif // BILINEAR_H
