#include "browsing_tools.h"

#include "folder_follower.h"
#include "full_screen.h"
#include "key_browser.h"
#include "live_reload.h"
#include "playback.h"
#include "position_field.h"
#include "tool_context.h"
#include "window_memory.h"

#include <QAction>
#include <QMainWindow>

Playback *addBrowsingTools(const ToolContext &tools, WindowMemory &memory)
{
    auto *keys = new KeyBrowser(tools);
    auto *reload = new LiveReload(tools);
    auto *playback =
        new Playback(tools, {keys->nextAction(), keys->previousAction(), keys->firstAction(),
                             keys->lastAction(), reload->reloadAction()});
    auto *follower = new FolderFollower(tools, reload);
    new FullScreenToggle(tools.window);
    new PositionField(tools);
    memory.rememberChecked(reload->watchAction(), QStringLiteral("watch/watchFile"));
    memory.rememberChecked(follower->followAction(), QStringLiteral("watch/followNewest"));
    return playback;
}
