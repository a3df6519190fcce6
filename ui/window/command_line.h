#ifndef COMMAND_LINE_H
#define COMMAND_LINE_H

#include <QString>
#include <QStringList>

class QWidget;
class ViewerDocument;

// What the viewer's command line asks for.
struct ViewerCommandLine {
    enum Action { Run, ShowHelp, ShowVersion, UsageError };
    Action action = UsageError;
    QString text;        // the help, the version line, or what is wrong
    QString file;        // the first positional argument: a file or a folder; the rest are ignored
    QString groundTruth; // --gt
    QString follow;      // --follow: the folder whose newest file shows, and every new one
};

// Parses arguments, the program's name first, with QCommandLineParser.
ViewerCommandLine parseViewerCommandLine(const QStringList &arguments);

// The file a folder opens at: its first flow by name whose header and length are sound, else
// its first picture by name that Qt's reader recognises; empty when it holds neither.
QString firstShowableFile(const QString &folder);

// The newest file of folder by modification time that the viewer can show, as
// firstShowableFile judges them; empty when it holds none.
QString newestShowableFile(const QString &folder);

// Opens what the application's command line names, as the window does once it is made: a
// file as an open by name, a folder at its first file the viewer can show.
void openCommandLine(ViewerDocument &document, QWidget *window);

#endif // COMMAND_LINE_H
