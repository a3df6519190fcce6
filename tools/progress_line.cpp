#include "progress_line.h"

#include <cstdio>

#include <sys/ioctl.h>
#include <unistd.h>

namespace {

// A wrapped line could not be redrawn in place; without a known width assume the classic one.
int terminalColumns()
{
    struct winsize size = {};
    if (::ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0)
        return size.ws_col;
    return 80;
}

// Keeps the end of a path, which tells files apart, within width characters.
QString elideLeft(const QString &text, int width)
{
    if (text.size() <= width)
        return text;
    if (width <= 3)
        return QString();
    return QStringLiteral("...") + text.right(width - 3);
}

} // namespace

ProgressLine::ProgressLine(bool enabled, int total)
    : active_(enabled && ::isatty(STDERR_FILENO) == 1), total_(total)
{}

ProgressLine::~ProgressLine()
{
    clear();
}

void ProgressLine::show(int index, const QString &item)
{
    if (!active_)
        return;
    const QString count = QStringLiteral("[%1/%2] ").arg(index).arg(total_);
    const int room = terminalColumns() - 1 - int(count.size());
    // Carriage return and erase to the end of the line: the display never grows a line.
    const QString line =
        QLatin1Char('\r') + count + elideLeft(item, room) + QLatin1String("\x1b[K");
    std::fputs(line.toLocal8Bit().constData(), stderr);
    std::fflush(stderr);
    shown_ = true;
}

void ProgressLine::message(const QString &text)
{
    clear();
    std::fputs((text + QLatin1Char('\n')).toLocal8Bit().constData(), stderr);
    std::fflush(stderr);
}

void ProgressLine::clear()
{
    if (!shown_)
        return;
    std::fputs("\r\x1b[K", stderr);
    std::fflush(stderr);
    shown_ = false;
}
