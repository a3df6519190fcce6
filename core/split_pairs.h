#ifndef SPLIT_PAIRS_H
#define SPLIT_PAIRS_H

// Where the split planes' stores go. Streaming stores go around the cache: for planes too
// large to stay in it they save reading every line in before writing it, half of what the
// planes cost the memory; for planes that fit they only push them out.
enum class PairStores { Cached, Streaming };

// Copies n interleaved (u, v) pairs into u and v, bit for bit: NaN payloads and signalling
// NaNs arrive as they were read.
void splitPairs(const float *uv, float *u, float *v, int n, PairStores stores = PairStores::Cached);

// Orders the streaming stores before any store that follows, so that whoever learns the planes
// are ready finds them there. A fence per call would make every call wait for the last one's
// stores to reach memory.
void finishPairStores();

#endif // SPLIT_PAIRS_H
