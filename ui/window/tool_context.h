#ifndef TOOL_CONTEXT_H
#define TOOL_CONTEXT_H

class FlowView;
class QMainWindow;
class ToolHost;
class ViewerDocument;

// What a tool of the window is given: the document it reads and asks, the view it draws over,
// the places for its controls, and the window as the parent of its actions and boxes and the
// owner of the status bar.
struct ToolContext {
    ViewerDocument *document;
    FlowView *view;
    ToolHost *host;
    QMainWindow *window;
};

#endif // TOOL_CONTEXT_H
