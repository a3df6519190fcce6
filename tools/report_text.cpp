#include "report_text.h"

#include "cli_common.h"
#include "progress_line.h"

#include "atomic_output.h"
#include "cerror.h"

#include <QFile>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>

QString exactNumber(double x)
{
    return std::isnan(x) ? QStringLiteral("nan") : QString::number(x, 'g', 17);
}

QString fixedNumber(double x, int places)
{
    return std::isnan(x) ? QStringLiteral("nan") : QString::number(x, 'f', places);
}

QString csvField(const QString &text)
{
    if (!text.contains(QLatin1Char(',')) && !text.contains(QLatin1Char('"')) &&
        !text.contains(QLatin1Char('\n')) && !text.contains(QLatin1Char('\r')))
        return text;
    QString quoted = text;
    quoted.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

QString jsonString(const QString &text)
{
    QString out = QStringLiteral("\"");
    for (const QChar c : text) {
        if (c == QLatin1Char('"') || c == QLatin1Char('\\'))
            out += QLatin1Char('\\') + c;
        else if (c.unicode() < 0x20)
            out += QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
        else
            out += c;
    }
    return out + QLatin1Char('"');
}

QString jsonNumber(double x)
{
    return std::isfinite(x) ? exactNumber(x) : QStringLiteral("null");
}

bool writeOutput(const QString &tool, const QString &name, const QByteArray &bytes,
                 ProgressLine &progress)
{
    if (name == QLatin1String("-")) {
        errno = 0;
        std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), stdout);
        if (std::fflush(stdout) == 0 && !std::ferror(stdout))
            return true;
        const int error = errno;
        progress.message(QStringLiteral("%1: cannot write to standard output: %2")
                             .arg(tool, QString::fromLocal8Bit(std::strerror(error))));
        return false;
    }
    try {
        AtomicOutput output(QFile::encodeName(name).constData());
        output.write(bytes.constData(), std::size_t(bytes.size()));
        output.commit();
        return true;
    } catch (const CError &error) {
        progress.message(inputMessage(tool, name, QString::fromLocal8Bit(error.text)));
    }
    return false;
}
