#include "flo_check.h"

#include "flo_file.h"

void CheckFlowFile(const char *path)
{
    FloFile file(path);
    file.readHeader();
    file.checkHeader();
    file.checkLength();
}
