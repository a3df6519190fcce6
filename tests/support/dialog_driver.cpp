#include "dialog_driver.h"

#include <QApplication>
#include <QFileDialog>
#include <QTimer>

namespace {

QString caption;
QString selection;
QString folder;
// Bumped by every arm and cancel, so a stale poll stops instead of answering a later dialog.
int generation = 0;

void poll(const QString &path, int triesLeft, int armed)
{
    if (armed != generation)
        return;
    auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
    if (!dialog) {
        if (triesLeft > 0)
            QTimer::singleShot(20, qApp,
                               [path, triesLeft, armed] { poll(path, triesLeft - 1, armed); });
        return;
    }
    caption = dialog->windowTitle();
    folder = dialog->directory().absolutePath();
    const QStringList selected = dialog->selectedFiles();
    selection = selected.isEmpty() ? QString() : selected.first();
    ++generation;
    if (path.isEmpty()) {
        dialog->reject();
        return;
    }
    dialog->selectFile(path);
    static_cast<QDialog *>(dialog)->accept(); // public in QDialog, protected in QFileDialog
}

} // namespace

void answerNextFileDialog(const QString &path)
{
    caption.clear();
    selection.clear();
    folder.clear();
    const int armed = ++generation;
    QTimer::singleShot(0, qApp, [path, armed] { poll(path, 250, armed); });
}

void cancelFileDialogAnswer()
{
    ++generation;
}

QString lastFileDialogCaption()
{
    return caption;
}

QString lastFileDialogSelection()
{
    return selection;
}

QString lastFileDialogFolder()
{
    return folder;
}
