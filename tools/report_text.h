#ifndef REPORT_TEXT_H
#define REPORT_TEXT_H

// How the tools write their figures: numbers that read back exactly, CSV fields, JSON values,
// and the outputs themselves.

#include <QByteArray>
#include <QString>

class ProgressLine;

// A double with 17 significant digits, which reads back to the same bits, independent of the
// user's locale; "nan" for NaN.
QString exactNumber(double x);

// A figure with places decimals for the table; "nan" for NaN.
QString fixedNumber(double x, int places);

// A CSV field, quoted only when it must be, with inner quotes doubled.
QString csvField(const QString &text);

// A JSON string, and a JSON number (null for NaN and the infinities).
QString jsonString(const QString &text);
QString jsonNumber(double x);

// Writes bytes to name, or to standard output for "-"; a file only whole, under its name once
// complete. False, with the reason reported through progress under tool's name, when it cannot.
bool writeOutput(const QString &tool, const QString &name, const QByteArray &bytes,
                 ProgressLine &progress);

#endif // REPORT_TEXT_H
