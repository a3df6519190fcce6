#ifndef STATISTICS_BITS_H
#define STATISTICS_BITS_H

#include "flow_statistics.h"

#include <QByteArray>

// Every figure of s as its bytes, the sign of a zero extreme and the last bit of the mean
// included: two results compare equal only when they are the same to the bit.
QByteArray statisticsBits(const FlowStatistics &s);

#endif // STATISTICS_BITS_H
