#ifndef SCENE_PANES_H
#define SCENE_PANES_H

#include <QString>

// A tool that may show the picture on screen in panes of its own instead of the window's colour
// view or channel views, with a read-out of its own. The window asks it at each of these
// steps; a tool that declines leaves everything to the window.
class ScenePanes
{
public:
    virtual ~ScenePanes() = default;
    // The window has taken a new picture's planes and is about to draw the scene.
    virtual void pictureTaken() = 0;
    // Lays the scene out; false leaves it to the window.
    virtual bool layOutScene() = 0;
    // The read-out of pixel (x, y) of the picture on screen; a null string leaves it to the
    // window.
    virtual QString readout(int x, int y) const = 0;
};

#endif // SCENE_PANES_H
