#ifndef PY_ERRORS_H
#define PY_ERRORS_H

#include "cerror.h"

#include <pybind11/pybind11.h>

#include <string>
#include <type_traits>
#include <utility>

namespace py = pybind11;

// Raises OSError with message; the GIL must be held.
[[noreturn]] inline void raiseOsError(const std::string &message)
{
    PyErr_SetString(PyExc_OSError, message.c_str());
    throw py::error_already_set();
}

// Runs work without the GIL, so that other Python threads go on meanwhile, and raises what
// flowcore threw as Error once the GIL is back (ValueError for faults of the input,
// OSError for files).
struct OSError {};

template <typename Error = py::value_error, typename Work>
auto withoutGil(Work &&work)
{
    std::string failure;
    {
        py::gil_scoped_release release;
        try {
            if constexpr (std::is_void_v<decltype(work())>) {
                work();
                return;
            } else {
                return work();
            }
        } catch (const CError &error) {
            failure = error.text;
        }
    }
    if constexpr (std::is_same_v<Error, py::value_error>)
        throw py::value_error(failure);
    else
        raiseOsError(failure);
}

#endif // PY_ERRORS_H
