#ifndef CONVERSION_BATCH_H
#define CONVERSION_BATCH_H

// The loop the converting tools share: every input on its threads, what each came to reported
// in input order, and the summary.

#include "cli_common.h"
#include "flo_file.h"
#include "ordered_batch.h"
#include "progress_line.h"

#include "cerror.h"

#include <QString>
#include <QStringList>

#include <new>

// What converting one input came to, for the calling thread to report in input order.
struct ConversionOutcome {
    QStringList messages; // whole lines for standard error
    bool converted = false;
};

// Runs convert(outcome) for input, the reader's errors and a lack of memory becoming the
// input's message in outcome; never throws them.
template <class Convert>
ConversionOutcome convertReporting(const QString &tool, const QString &input, Convert convert)
{
    ConversionOutcome outcome;
    try {
        convert(outcome);
    } catch (const CError &error) {
        outcome.messages << inputMessage(tool, input, QString::fromLocal8Bit(error.text));
    } catch (const std::bad_alloc &) {
        outcome.messages << inputMessage(tool, input, QStringLiteral("out of memory"));
    }
    return outcome;
}

// Runs convert(item, buffer) for items 0 .. count - 1 on up to threads threads, each worker
// reading through a buffer of its own, and shows the progress over inputOf(item) and every
// outcome's messages in input order. Returns how many inputs were not converted.
template <class InputOf, class Convert>
int convertInOrder(int count, int threads, ProgressLine &progress, InputOf inputOf, Convert convert)
{
    PerWorker<FloReadBuffer> buffers(threads);
    int failed = 0;
    runOrdered<ConversionOutcome>(
        count, threads, [&](int item, int worker) { return convert(item, buffers[worker]); },
        [&](int item, ConversionOutcome &outcome) {
            progress.show(item + 1, inputOf(item));
            for (const QString &message : std::as_const(outcome.messages))
                progress.message(message);
            if (!outcome.converted)
                ++failed;
        });
    progress.clear();
    return failed;
}

// "TOOL: N of M inputs not converted" on standard error, unless none failed or quiet.
void reportNotConverted(const QString &tool, int failed, int total, bool quiet);

#endif // CONVERSION_BATCH_H
