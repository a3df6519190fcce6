#include "modal_closer.h"

#include <QAbstractButton>
#include <QApplication>
#include <QEvent>
#include <QMessageBox>
#include <QMetaObject>
#include <QPointer>

ModalCloser::ModalCloser()
{
    qApp->installEventFilter(this);
}

ModalCloser::~ModalCloser()
{
    qApp->removeEventFilter(this);
}

void ModalCloser::clear()
{
    titles.clear();
    texts.clear();
}

bool ModalCloser::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Show) {
        if (auto *box = qobject_cast<QMessageBox *>(watched)) {
            titles << box->windowTitle();
            texts << box->text();
            // Queued, so the box's own event loop is running when it is answered.
            QPointer<QMessageBox> guard(box);
            const QMessageBox::StandardButton button = answer;
            QMetaObject::invokeMethod(
                this,
                [guard, button] {
                    if (!guard)
                        return;
                    if (QAbstractButton *pressed = guard->button(button))
                        pressed->click();
                    else
                        guard->done(QMessageBox::Ok);
                },
                Qt::QueuedConnection);
        }
    }
    return QObject::eventFilter(watched, event);
}
