#include "cerror.h"

#include <cstdio>
#include <cstring>

// snprintf truncates to the buffer and always terminates, which gives the 1023-character cut.
// The formats are the program's own constants, so the warning about non-literal formats is moot.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
#pragma GCC diagnostic ignored "-Wformat-security"

CError::CError(const char *message)
{
    std::snprintf(text, sizeof text, "%s", message);
}

CError::CError(const char *format, const char *s)
{
    std::snprintf(text, sizeof text, format, s);
}

CError::CError(const char *format, const char *s, int d)
{
    std::snprintf(text, sizeof text, format, s, d);
}

CError::CError(const char *format, int d)
{
    std::snprintf(text, sizeof text, format, d);
}

#pragma GCC diagnostic pop
