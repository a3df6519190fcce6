#include "browsing_tools.h"

#include "folder_follower.h"
#include "full_screen.h"
#include "key_browser.h"
#include "live_reload.h"
#include "vek_zandor.h"
#include "window_memory.h"

#include <QAction>

void addBrowsingTools(Vek_Zandor &window, WindowMemory &memory)
{
    new KeyBrowser(&window);
    auto *reload = new LiveReload(&window);
    auto *follower = new FolderFollower(&window, reload);
    new FullScreenToggle(&window);
    memory.rememberChecked(reload->watchAction(), QStringLiteral("watch/watchFile"));
    memory.rememberChecked(follower->followAction(), QStringLiteral("watch/followNewest"));
}
