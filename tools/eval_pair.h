#ifndef EVAL_PAIR_H
#define EVAL_PAIR_H

#include "eval_pairs.h"
#include "eval_record.h"

#include "row_bands.h"

#include <QStringList>

class FloReadBuffer;

// What became of one pair: its record when it was evaluated, and every fault met.
struct PairOutcome {
    bool evaluated = false;
    PairRecord record;
    QStringList errors; // whole messages, each naming the file
};

// Reads the estimate and its ground truth, through buffer, evaluates them and writes the EPE
// picture when the job asks for one. Never throws.
PairOutcome evaluatePair(const EvalJob &job, FloReadBuffer &buffer,
                         const BandPlan &plan = BandPlan());

#endif // EVAL_PAIR_H
