#ifndef FLOW_SAVER_H
#define FLOW_SAVER_H

#include <QObject>

class QAction;
class QMainWindow;
class ViewerDocument;
struct ToolContext;

// "Save Flow As...": writes the flow on screen, as read, in the format its name's suffix
// asks for (.flo, .flo5, .pfm, .npy, or .png as KITTI's), atomically.
class FlowSaver : public QObject
{
    Q_OBJECT

public:
    explicit FlowSaver(const ToolContext &tools);

    QAction *action() const { return action_; }
    void save();

private:
    QMainWindow *const window_;
    ViewerDocument *const document_;
    QAction *action_;
};

#endif // FLOW_SAVER_H
