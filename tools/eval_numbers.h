#ifndef EVAL_NUMBERS_H
#define EVAL_NUMBERS_H

#include <QString>

// A double with 17 significant digits, which reads back to the same bits, independent of the
// user's locale; "nan" for NaN.
QString exactNumber(double x);

// A figure with places decimals for the table; "nan" for NaN.
QString fixedNumber(double x, int places);

#endif // EVAL_NUMBERS_H
