#ifndef RANK_SELECT_H
#define RANK_SELECT_H

#include <cstdint>
#include <vector>

// The rank-th smallest (1 <= rank <= values.size()) of values, none of them negative or NaN;
// values are left reordered. The same value std::nth_element finds, found sooner among many:
// the bits of such floats order as the floats do, so one count of their leading bits finds the
// stretch that holds the rank, and only that stretch is selected among.
float selectRank(std::vector<float> &values, std::uint64_t rank);

#endif // RANK_SELECT_H
