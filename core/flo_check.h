#ifndef FLO_CHECK_H
#define FLO_CHECK_H

// Checks a .flo file before anything is allocated for it: the path, the header's tag, width
// and height as ReadFlowFile tests them, and a length of exactly 12 + 8 x width x height
// bytes. Throws the CError ReadFlowFile would give for the same fault, in the same order.
// Reads only the header, so a header claiming a huge image costs nothing.
void CheckFlowFile(const char *path);

#endif // FLO_CHECK_H
