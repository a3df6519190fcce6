#include "position_field.h"

#include "tool_context.h"
#include "viewer_document.h"

#include <QFileInfo>
#include <QLabel>
#include <QMainWindow>
#include <QStatusBar>

PositionField::PositionField(const ToolContext &tools)
    : QObject(tools.window), document_(tools.document)
{
    label_ = new QLabel;
    label_->setObjectName(QStringLiteral("positionField"));
    label_->setToolTip(tr("The shown file's place among the files of its kind in its folder"));
    tools.window->statusBar()->addPermanentWidget(label_);
    connect(document_, &ViewerDocument::loadFinished, this, &PositionField::update);
    connect(document_, &ViewerDocument::listingChanged, this, &PositionField::update);
}

QString PositionField::text(const ViewerDocument &document)
{
    const QString shown = document.shownPath();
    if (shown.isEmpty())
        return QString();
    const QFileInfo info(shown);
    const QStringList &files = document.listing();
    const int index =
        info.absolutePath() == document.folder() ? int(files.indexOf(info.fileName())) : -1;
    const QString count = QString::number(files.size());
    return index < 0 ? tr("\u2013 / %1").arg(count) : tr("%1 / %2").arg(index + 1).arg(count);
}

void PositionField::update()
{
    label_->setText(text(*document_));
}
