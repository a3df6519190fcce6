#include "statistics_bits.h"

QByteArray statisticsBits(const FlowStatistics &s)
{
    QByteArray all;
    const auto add = [&all](const auto &x) {
        all.append(reinterpret_cast<const char *>(&x), int(sizeof x));
    };
    add(s.known);
    add(s.unknown);
    for (float x : {s.minU, s.maxU, s.minV, s.maxV, s.medianMagnitude, s.percentile99Magnitude,
                    s.maxMagnitude})
        add(x);
    add(s.meanMagnitude);
    add(s.histogram);
    return all;
}
