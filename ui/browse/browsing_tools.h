#ifndef BROWSING_TOOLS_H
#define BROWSING_TOOLS_H

class Vek_Zandor;
class WindowMemory;

// Gives the window its keys for stepping, reloading and full screen, the watch actions on the
// Flow Tools toolbar, and has memory remember the watch actions' states.
void addBrowsingTools(Vek_Zandor &window, WindowMemory &memory);

#endif // BROWSING_TOOLS_H
