#include "conversion_batch.h"

#include "cli_common.h"

void reportNotConverted(const QString &tool, int failed, int total, bool quiet)
{
    if (failed > 0 && !quiet)
        printTo(
            stderr,
            QStringLiteral("%1: %2 of %3 inputs not converted\n").arg(tool).arg(failed).arg(total));
}
