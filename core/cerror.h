#ifndef CERROR_H
#define CERROR_H

#include <exception>

// The error thrown by the image container and the .flo readers. The message lives only in
// `text`, formatted like printf and cut to 1023 characters.
struct CError : public std::exception {
    char text[1024];

    explicit CError(const char *message);
    CError(const char *format, const char *s);
    CError(const char *format, const char *s, int d);
    CError(const char *format, int d);
};

#endif // CERROR_H
