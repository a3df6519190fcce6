// The per-pixel arithmetic of the evaluation, written once for the plain kernel and, lane by
// lane, for the vector ones: the same IEEE operations in the same order, so that every lane
// rounds as the plain code does and the sums agree to the last bit.
//
// The arc cosine is the program's own rather than the C library's: the library's differs
// between versions and machines in the last bit, and cannot be vectorised to the same bits.
// It stays within about one unit in the last place of the true value.

#ifndef EVAL_ARITH_H
#define EVAL_ARITH_H

#include <cmath>

namespace evalarith {

// 180 / pi: every angle is converted by the same double.
constexpr double kDegreesPerRadian = 57.295779513082320876798154814105;

// pi / 2 and pi as a double and the remainder, so that pi / 2 - asin(x) keeps its precision.
constexpr double kHalfPiHigh = 1.5707963267948966;
constexpr double kHalfPiLow = 6.123233995736766e-17;
constexpr double kPiHigh = 3.141592653589793;
constexpr double kPiLow = 1.2246467991473532e-16;

// asin(t) = t + t z P(z), z = t^2: the series' coefficients (2n)! / (4^n (n!)^2 (2n + 1)) for
// n = 1 .. 24. For |t| <= 1/2 the first term left out is below 2^-57 t.
constexpr int kAsinTerms = 24;
constexpr double kAsinSeries[kAsinTerms] = {
    0.16666666666666666,   0.075,
    0.044642857142857144,  0.030381944444444444,
    0.022372159090909092,  0.017352764423076924,
    0.01396484375,         0.011551800896139705,
    0.009761609529194078,  0.008390335809616815,
    0.0073125258735988454, 0.006447210311889649,
    0.005740037670841924,  0.005153309682319905,
    0.004660143486915096,  0.004240907093679363,
    0.003880964558837669,  0.0035692053938259347,
    0.003297059503473485,  0.0030578216492580306,
    0.002846178401108942,  0.00265787063820729,
    0.0024894486782468836, 0.002338091892111975,
};

// The outlier rule: beyond 3 pixels and beyond 5 % of the true motion.
constexpr double kOutlierPixels = 3.0;
constexpr double kOutlierShare = 0.05;

// The least double whose square root is at least bound: as the square root is correctly
// rounded and never decreases, sqrt(x) < bound exactly when x is below it, which spares the
// vector kernels a square root per pixel.
inline double squareBound(double bound)
{
    double x = bound * bound;
    while (std::sqrt(x) < bound)
        x = std::nextafter(x, HUGE_VAL);
    while (std::sqrt(std::nextafter(x, 0.0)) >= bound)
        x = std::nextafter(x, 0.0);
    return x;
}

} // namespace evalarith

#endif // EVAL_ARITH_H
