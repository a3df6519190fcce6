#ifndef SPLIT_PAIRS_H
#define SPLIT_PAIRS_H

// Copies n interleaved (u, v) pairs into u and v, bit for bit: NaN payloads and signalling
// NaNs arrive as they were read.
void splitPairs(const float *uv, float *u, float *v, int n);

#endif // SPLIT_PAIRS_H
