#ifndef PROGRESS_LINE_H
#define PROGRESS_LINE_H

#include <QString>

// A one-line progress display on standard error, redrawn in place: "[3/240] path". It draws
// only when enabled and standard error is a terminal; messages go out as whole lines either way.
class ProgressLine
{
public:
    ProgressLine(bool enabled, int total);
    ~ProgressLine();
    ProgressLine(const ProgressLine &) = delete;
    ProgressLine &operator=(const ProgressLine &) = delete;

    // Shows that item number index (from 1) is under way.
    void show(int index, const QString &item);
    // Writes one line of text to standard error, clear of the progress display.
    void message(const QString &text);
    // Removes the display.
    void clear();

private:
    bool active_;
    bool shown_ = false;
    int total_;
};

#endif // PROGRESS_LINE_H
