#ifndef BENCH_MEMORY_H
#define BENCH_MEMORY_H

#include "bench_inputs.h"

#include <QString>

// The hidden option that makes the benchmark the fresh process of a memory measurement.
constexpr const char *kMemoryChildOption = "--memory-child";
// After the path: the window reads the neighbours ahead, and the growth lasts until both are.
constexpr const char *kPrefetchOption = "--prefetch";

// In the child: opens the flow in a new window and prints the growth of the peak resident
// memory over the open, in bytes. Returns the exit status.
int runMemoryChild(const QString &floPath, bool prefetch);

// In the parent: the median over runs fresh processes of that growth, in bytes per pixel;
// negative when a child fails. With a prefetch path, the child opens that file of a folder of
// three, and both its neighbours are read ahead.
double memoryBytesPerPixel(const BenchFlow &flow, int runs, const QString &prefetchPath = {});

#endif // BENCH_MEMORY_H
