#ifndef CLI_COMMON_H
#define CLI_COMMON_H

// What the batch commands share: exit statuses, how an input is known for a flow, messages in
// the Unix manner, and the check that no two inputs, nor an input and an output, meet under
// one name.

#include "flow_format.h"

#include <QHash>
#include <QString>

#include <cstdio>

enum ExitStatus { kAllWritten = 0, kSomeFailed = 1, kUsageError = 2 };

// How the tools know a flow among their inputs, as their manual pages say: a name ending in
// ".flo" is a .flo, any other file is known by its content, the .flo tag among it.
constexpr FlowRule kInputRule = FlowRule::ByContent;

// Up to this many inputs finish before a progress display would be read.
constexpr int kFewInputs = 3;

class QCommandLineOption;
class QCommandLineParser;

void printTo(std::FILE *stream, const QString &text);

// What a command line asks before a tool's own options are looked at: to run, the help, the
// version line, or a usage error, with text holding the help, the line or the error. The
// order is each tool's Action's.
struct StandardRequest {
    enum Kind { Run, ShowHelp, ShowVersion, UsageError };
    Kind kind = Run;
    QString text;
};

// Parses arguments with parser, whose help and version options are the ones given. Qt's own
// options mean nothing to a tool without a window; --help-all shows the same help.
StandardRequest parseStandardOptions(QCommandLineParser &parser, const QStringList &arguments,
                                     const QCommandLineOption &help,
                                     const QCommandLineOption &version);

// Copies a request that is not to run into a tool's command line, whose Action has the same
// order; returns whether it did, when the tool's own options need not be looked at.
template <class CommandLine>
bool answeredBefore(const StandardRequest &request, CommandLine &result)
{
    if (request.kind == StandardRequest::Run)
        return false;
    result.action = typename CommandLine::Action(request.kind);
    result.text = request.text;
    return true;
}

// -j N: inputs worked on at once, each thread with its own buffers; more than this only
// multiplies the memory the inputs in flight take.
constexpr int kMaxJobs = 256;

// The -j, --jobs option, its help saying what N items are and the default.
QCommandLineOption jobsOption(const QString &itemsAtOnce, int defaultThreads);

// The number of threads -j's text asks for, or false with the usage error in *error.
bool readJobs(const QString &text, int *threads, QString *error);

// "TOOL: text" and the pointer to --help on standard error; returns kUsageError.
int usageError(const QString &tool, const QString &text);

// A reader's message for input, with the input's name in front when the message lacks it (the
// allocators' messages do).
QString inputMessage(const QString &tool, const QString &input, const QString &error);

// The names a run will write, each with what writes it. The first name claimed twice, or an
// output that names an input, is the clash that refuses the run before anything is written.
class OutputClaims
{
public:
    // Returns what clashes, or an empty string.
    QString claim(const QString &name, const QString &by);
    QString claimInput(const QString &name);

private:
    QHash<QString, QString> owner_; // comparable name -> what writes or reads it
    QHash<QString, bool> isInput_;
};

#endif // CLI_COMMON_H
