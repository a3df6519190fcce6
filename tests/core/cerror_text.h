#ifndef CERROR_TEXT_H
#define CERROR_TEXT_H

#include "cerror.h"

#include <QString>

// The text of the CError that call throws, so that tests compare whole messages.
template <typename Call> QString cerrorText(Call &&call)
{
    try {
        call();
    } catch (const CError &error) {
        return QString::fromLocal8Bit(error.text);
    }
    return QStringLiteral("(no error)");
}

#endif // CERROR_TEXT_H
