#ifndef FUZZ_SUPPORT_H
#define FUZZ_SUPPORT_H

// What the format fuzz targets share: a temporary folder for the file under test, writing the
// fuzzer's bytes into it, and the checks every successful read must pass.

#include "flow_format.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace fuzzsupport {

// Makes the folder on first use; removed at exit.
const std::string &tempPath(const char *name);

void writeBytes(const std::string &path, const std::uint8_t *data, std::size_t size);

[[noreturn]] void broken(const char *target, const char *what);

// Sides within the limits, and the flow written in format and read back bit for bit.
void checkRoundTrip(const char *target, const FlowField &flow, FlowFormat format);

} // namespace fuzzsupport

#endif // FUZZ_SUPPORT_H
