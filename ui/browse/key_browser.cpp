#include "key_browser.h"

#include "tool_context.h"
#include "viewer_document.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QMainWindow>
#include <QTimer>

namespace {

constexpr int kModalRetryMs = 50;

} // namespace

KeyBrowser::KeyBrowser(const ToolContext &tools)
    : QObject(tools.window), window_(tools.window), document_(tools.document)
{
    next_ = addKeyAction("actionNextFile", tr("Next File"), tr("Show the next file of the folder"),
                         {Qt::Key_Right, Qt::Key_PageDown, Qt::Key_Space});
    previous_ = addKeyAction("actionPreviousFile", tr("Previous File"),
                             tr("Show the previous file of the folder"),
                             {Qt::Key_Left, Qt::Key_PageUp, Qt::Key_Backspace});
    first_ = addKeyAction("actionFirstFile", tr("First File"),
                          tr("Show the first file of the folder"), {Qt::Key_Home});
    last_ = addKeyAction("actionLastFile", tr("Last File"), tr("Show the last file of the folder"),
                         {Qt::Key_End});

    connect(next_, &QAction::triggered, this, [this] {
        pending_.forward(1);
        loadSoon();
    });
    connect(previous_, &QAction::triggered, this, [this] {
        pending_.forward(-1);
        loadSoon();
    });
    connect(first_, &QAction::triggered, this, [this] {
        pending_.toFirst();
        loadSoon();
    });
    connect(last_, &QAction::triggered, this, [this] {
        pending_.toLast();
        loadSoon();
    });
    // Text fields claim their editing keys before shortcuts see them; buttons do not claim
    // Space, which would step instead of ticking the focused check box.
    qApp->installEventFilter(this);
}

bool KeyBrowser::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::ShortcutOverride &&
        static_cast<QKeyEvent *>(event)->key() == Qt::Key_Space &&
        static_cast<QKeyEvent *>(event)->modifiers() == Qt::NoModifier) {
        auto *button = qobject_cast<QAbstractButton *>(watched);
        if (button && button->window() == window_) {
            event->accept();
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

QAction *KeyBrowser::addKeyAction(const char *name, const QString &text, const QString &tip,
                                  const QList<QKeySequence> &keys)
{
    auto *action = new QAction(text, window_);
    action->setObjectName(QLatin1String(name));
    action->setShortcuts(keys);
    action->setToolTip(tip);
    action->setStatusTip(tip);
    window_->addAction(action);
    return action;
}

// A load runs inside the event that asked for it, so keys pressed meanwhile wait in the queue
// behind it. A posted call runs after the input already queued, which then adds its steps to
// this load instead of starting loads of its own.
void KeyBrowser::loadSoon()
{
    if (loadQueued_)
        return;
    loadQueued_ = true;
    QMetaObject::invokeMethod(
        this, [this] { load(); }, Qt::QueuedConnection);
}

void KeyBrowser::load()
{
    loadQueued_ = false;
    if (pending_.isEmpty())
        return;
    // Come in behind a dialog that opened meanwhile, the load would change the window under
    // it: it waits until the dialog has closed.
    if (QApplication::activeModalWidget()) {
        QTimer::singleShot(kModalRetryMs, this, [this] { loadSoon(); });
        return;
    }
    ViewerDocument &d = *document_;
    const int count = int(d.listing().size());
    const int step = pending_.browseStep(d.index(), count);
    pending_.clear();

    // Past an end the stepping branch loads the current file again; before anything was
    // opened there is none, and a load would only report an empty name.
    const qint64 target = qint64(d.index()) - step;
    const bool moves = target >= 0 && target < count;
    if (!moves && d.path().isEmpty() && d.shownPath().isEmpty())
        return;

    d.step(step);
}
