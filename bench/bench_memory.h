#ifndef BENCH_MEMORY_H
#define BENCH_MEMORY_H

#include "bench_inputs.h"

#include <QString>

// The hidden option that makes the benchmark the fresh process of a memory measurement.
constexpr const char *kMemoryChildOption = "--memory-child";

// In the child: opens the flow in a new window and prints the growth of the peak resident
// memory over the open, in bytes. Returns the exit status.
int runMemoryChild(const QString &floPath);

// In the parent: the median over runs fresh processes of that growth, in bytes per pixel;
// negative when a child fails.
double memoryBytesPerPixel(const BenchFlow &flow, int runs);

#endif // BENCH_MEMORY_H
