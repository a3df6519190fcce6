#ifndef MODAL_CLOSER_H
#define MODAL_CLOSER_H

#include <QMessageBox>
#include <QObject>
#include <QString>
#include <QStringList>

// Closes every QMessageBox as soon as it is shown, recording its title and text, so that code
// which shows a modal box can run inside a test without blocking. Install one per test case.
class ModalCloser : public QObject
{
    Q_OBJECT

public:
    ModalCloser();
    ~ModalCloser() override;

    QStringList titles;
    QStringList texts;
    // The button pressed where the box has it; a box without it is closed as by Ok.
    QMessageBox::StandardButton answer = QMessageBox::Ok;

    int count() const { return int(texts.size()); }
    void clear();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
};

#endif // MODAL_CLOSER_H
