#ifndef BROWSE_CONTROLLER_H
#define BROWSE_CONTROLLER_H

#include "flo_file.h"
#include "layer_listener.h"

#include <QObject>
#include <QPointF>
#include <QString>

#include <memory>
#include <optional>

class NeighbourPrefetch;
class QTimer;
class Vek_Zandor;
struct LoadOutcome;
struct PrefetchRules;

// Loading and stepping on the window's behalf: which file a load shows, the wheel notches and
// the pointer the layers report, opens that must wait for the current event to return, and a
// reload that keeps the current picture when the file cannot be read.
class BrowseController : public QObject, public LayerListener
{
    Q_OBJECT

public:
    explicit BrowseController(Vek_Zandor *window);
    ~BrowseController() override;

    // Which file the load in progress shows. Stepping moves through the listing taken when a
    // file was last opened by name; past either end the current file is loaded again, and with
    // no current file (a cancelled open dialog empties it) the one on screen. Opening by name
    // lists the file's folder.
    void chooseFile();

    // The chosen file read and drawn at cutoff, or at the one it opens at when none is given:
    // the picture made of it ahead of need while it was a neighbour of the file on screen, when
    // there is one still good for this load, else a load of its own.
    LoadOutcome loadChosenFile(std::optional<int> cutoff);

    // After a load: what is on screen now, the read-out of the pixel under the pointer, and the
    // neighbours in the listing read ahead.
    void loadEnded(bool shown);

    // What reads the neighbours ahead; null when switched off.
    NeighbourPrefetch *prefetch() const { return prefetch_.get(); }
    // Waits until the neighbours of the last load are read ahead; for tests and measurements.
    void waitForNeighbours();

    // The file whose picture is on screen; empty before the first successful load.
    QString shownPath() const { return shownPath_; }

    // What every flow the window reads passes through, made at the first read.
    FloReadBuffer *readBuffer();

    // Opens path as the open dialog does, once the event being handled has returned.
    void openLater(const QString &path);

    // Reads the file on screen again with its cutoff, zoom and view kept. Only a complete new
    // picture replaces the current one: when the file cannot be read the picture, its planes and
    // the rest of the window stay as they were, no box is shown, and the reader's message is
    // returned. Returns an empty string on success.
    QString reloadKeepingPicture();
    // The same for path, a file of the listing or the one on screen: a flow drawn at cutoff,
    // or at the cutoff it opens at when none is given.
    QString showKeepingPicture(const QString &path, std::optional<int> cutoff);

    void pixelHovered(int x, int y, const QPointF &scenePos) override;
    void pointerLeft() override;
    void notchesTurned(int notches) override;

signals:
    // A load, step or reload has ended; shown tells whether it put a new picture on screen.
    void loadFinished(bool shown);

private:
    void showReadoutUnderPointer();
    PrefetchRules rulesFor(std::optional<int> cutoff) const;
    // Reads ahead the files on either side of the one loaded last, the one a step in the same
    // direction reaches first.
    void prefetchNeighbours();

    Vek_Zandor *const window_;
    QString shownPath_;
    std::optional<QPointF> pointer_;
    std::optional<FloReadBuffer> readBuffer_;
    std::unique_ptr<NeighbourPrefetch> prefetch_;
    // Reads the neighbours again for rules changed since, once the changes pause.
    QTimer *rulesSettle_ = nullptr;
    QTimer *afterLoad_ = nullptr;
};

#endif // BROWSE_CONTROLLER_H
