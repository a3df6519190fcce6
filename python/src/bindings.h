#ifndef PY_BINDINGS_H
#define PY_BINDINGS_H

#include <pybind11/pybind11.h>

// The module's functions by concern, each file adding its own.
void bindEvaluation(pybind11::module_ &m);
void bindFrameCheck(pybind11::module_ &m);

#endif // PY_BINDINGS_H
