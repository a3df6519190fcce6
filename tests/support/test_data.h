#ifndef TEST_DATA_H
#define TEST_DATA_H

#include <QString>

// Folder of the real flow files recorded by others, or an empty string when it is absent
// (a user's fresh clone); tests that need it skip with a message.
QString sharedDataDir();

#endif // TEST_DATA_H
