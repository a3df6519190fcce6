#ifndef BROWSING_TOOLS_H
#define BROWSING_TOOLS_H

class Playback;
class WindowMemory;
struct ToolContext;

// Gives the window its keys for stepping, reloading and full screen, the watch actions and Play
// on the Flow Tools toolbar, and has memory remember the watch actions' states. Returns the
// playback.
Playback *addBrowsingTools(const ToolContext &tools, WindowMemory &memory);

#endif // BROWSING_TOOLS_H
