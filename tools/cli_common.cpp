#include "cli_common.h"

#include "output_names.h"

#include <QCommandLineParser>
#include <QCoreApplication>

void printTo(std::FILE *stream, const QString &text)
{
    std::fputs(text.toLocal8Bit().constData(), stream);
}

StandardRequest parseStandardOptions(QCommandLineParser &parser, const QStringList &arguments,
                                     const QCommandLineOption &help,
                                     const QCommandLineOption &version)
{
    StandardRequest request;
    if (!parser.parse(arguments)) {
        request.kind = StandardRequest::UsageError;
        request.text = parser.errorText();
    } else if (parser.isSet(help) || parser.isSet(QStringLiteral("help-all"))) {
        request.kind = StandardRequest::ShowHelp;
        request.text = parser.helpText();
    } else if (parser.isSet(version)) {
        request.kind = StandardRequest::ShowVersion;
        request.text = QCoreApplication::applicationName() + QLatin1Char(' ') +
                       QCoreApplication::applicationVersion() + QLatin1Char('\n');
    }
    return request;
}

QCommandLineOption jobsOption(const QString &itemsAtOnce, int defaultThreads)
{
    return QCommandLineOption({QStringLiteral("j"), QStringLiteral("jobs")},
                              QStringLiteral("%1 at once (default: %2, the processor's threads).")
                                  .arg(itemsAtOnce)
                                  .arg(defaultThreads),
                              QStringLiteral("N"));
}

bool readJobs(const QString &text, int *threads, QString *error)
{
    bool ok = false;
    const int n = text.toInt(&ok);
    if (ok && n >= 1 && n <= kMaxJobs) {
        *threads = n;
        return true;
    }
    *error = QStringLiteral("-j needs a whole number from 1 to %1: '%2'").arg(kMaxJobs).arg(text);
    return false;
}

int usageError(const QString &tool, const QString &text)
{
    printTo(stderr,
            QStringLiteral("%1: %2\nTry '%1 --help' for more information.\n").arg(tool, text));
    return kUsageError;
}

QString inputMessage(const QString &tool, const QString &input, const QString &error)
{
    return tool + QStringLiteral(": ") +
           (error.contains(input) ? error : input + QStringLiteral(": ") + error);
}

QString OutputClaims::claim(const QString &name, const QString &by)
{
    if (name.isEmpty())
        return QString();
    const QString key = comparableName(name);
    const auto it = owner_.constFind(key);
    if (it != owner_.constEnd()) {
        if (isInput_.value(key))
            return QStringLiteral("%1 would be written over its input").arg(name);
        return QStringLiteral("%1 and %2 would both be written to %3").arg(*it, by, name);
    }
    owner_.insert(key, by);
    return QString();
}

QString OutputClaims::claimInput(const QString &name)
{
    const QString key = comparableName(name);
    if (!owner_.contains(key)) {
        owner_.insert(key, name);
        isInput_.insert(key, true);
    }
    return QString();
}
