#ifndef VIEWER_DOCUMENT_H
#define VIEWER_DOCUMENT_H

#include "flo_file.h"
#include "flow_scale.h"
#include "flow_statistics.h"
#include "layer_listener.h"
#include "planes.h"

#include <QObject>
#include <QPoint>
#include <QPointF>
#include <QString>
#include <QStringList>

#include <optional>

class QGraphicsPixmapItem;
class QGraphicsScene;
class QGraphicsSimpleTextItem;
class ScenePanes;
class Vek_ImageLayer;
class Vek_Zandor;
struct FlowLoadOptions;
struct LoadFailure;
struct LoadOutcome;
struct LoadedPicture;
struct PicturePlanes;

// Where a load gets its picture: read now, or made ahead while the file was a neighbour.
class PictureSource
{
public:
    virtual ~PictureSource() = default;
    // path read and drawn at cutoff, or at the cutoff it opens at when none is given.
    virtual LoadOutcome load(const QString &path, std::optional<int> cutoff) = 0;
};

// What is shown: the file, its folder's listing and its place there, the picture and its
// planes, the cutoff, Keep, the colour scale and Show Channels. It alone writes the window's
// members; the browsing, the view and the tools read it and ask it to change, and hear from it
// what changed.
class ViewerDocument : public QObject, public LayerListener
{
    Q_OBJECT

public:
    explicit ViewerDocument(Vek_Zandor &window);
    ~ViewerDocument() override;

    // The file.
    QString path() const;
    QString folder() const;
    const QStringList &listing() const;
    int index() const;
    // The file whose picture is on screen; empty before the first successful load.
    QString shownPath() const { return shownPath_; }
    // The steps of the last load that stepped, 0 after an open by name.
    int lastStep() const;

    // The picture.
    bool hasPicture() const;
    bool isFlow() const;
    bool showsFlow() const { return hasPicture() && isFlow(); }
    int rows() const;
    int cols() const;
    const FloatPlane &u() const;
    const FloatPlane &v() const;
    const PixelPlane &colourPlane() const;
    // The statistics of the flow on screen; null for a raster image or before any flow.
    const FlowStatistics *statistics() const;

    // How it is drawn.
    int cutoff() const;
    bool keep() const;
    bool showChannels() const;
    ColourScale scale() const { return scale_; }
    // The colour view's normalising radius under a magnitude scale; none under the cutoff's.
    std::optional<float> colourRadius() const;
    // What a flow load draws with: the scale in effect, and the statistics' memory.
    FlowLoadOptions loadOptions();
    // What every flow the viewer reads passes through, made at the first read.
    FloReadBuffer *readBuffer();

    // The scene the picture is drawn into.
    QGraphicsScene *scene() const;
    QGraphicsPixmapItem *leftLayer() const;
    QGraphicsPixmapItem *rightLayer() const;
    QGraphicsSimpleTextItem *leftCaption() const;
    QGraphicsSimpleTextItem *rightCaption() const;
    // A further layer that reports the pointer and the wheel as the picture's own do.
    Vek_ImageLayer *makeLayer();
    // Lets a tool lay out the scene and read out pixels instead; null for none.
    void setScenePanes(ScenePanes *panes) { panes_ = panes; }
    ScenePanes *scenePanes() const { return panes_; }
    void setPictureSource(PictureSource *source) { source_ = source; }

    // Opens path by name at once, or once the event being handled has returned. An empty path
    // (a cancelled dialog) is taken as the current file, and nothing is loaded.
    void open(const QString &path);
    void openLater(const QString &path);
    // Steps n files back in the listing (a wheel notch away from the user is 1).
    void step(int n);
    // The load the window's members ask for: a step when browseByStep is set, else an open of
    // filePath. Failures are shown in a box.
    void load();
    // Reads the file on screen again with its cutoff, zoom and view kept. Only a complete new
    // picture replaces the current one: when the file cannot be read everything stays as it
    // was, no box is shown, and the reader's message is returned. Empty on success.
    QString reload();
    // The same for path, a file of the listing or the one on screen, drawn at the kept cutoff
    // under Keep, else at its own.
    QString showKeepingPicture(const QString &path);
    // The listing of the shown file's folder taken again.
    void updateListing(const QStringList &files, int index);

    // Draws the flow at value (or the kept cutoff under Keep) and shows the scene anew.
    void setCutoff(int value);
    // The same, with the slider's range widened to reach value.
    void setCutoffWidening(int value);
    void setKeep(bool on);
    void setShowChannels(bool on);
    // Takes the channel views away while a tool shows panes of its own, and the check box
    // with them; given back, the check box's state applies again.
    void holdShowChannels(bool held);
    void setScale(ColourScale scale);
    // Lays the scene out again for what is shown, with the channel views or not.
    void refreshScene();
    void refreshScene(bool showDims);

    void allocatePlanes();
    void releasePlanes();

    // Which actions can act on what is shown, asked again.
    void refreshActions();

    // The failure box's text for path.
    QString failureText(const QString &path, const LoadFailure &failure) const;

    // The pixel under the pointer, or none, for those that follow it.
    void tellPointer(std::optional<QPoint> pixel);

    void pixelHovered(int x, int y, const QPointF &scenePos) override;
    void pointerLeft() override;
    void notchesTurned(int notches) override;

signals:
    // A new picture has gone on screen.
    void pictureShown();
    // A load, step or reload has ended; shown tells whether it put a new picture on screen.
    void loadFinished(bool shown);
    void loadFailed(const QString &message);
    void cutoffChanged(int cutoff);
    void listingChanged();
    // The flow's views were drawn anew, once per pass.
    void viewsDrawn();
    // The scene shows the picture anew: a load, a cutoff, the other view.
    void sceneRefreshed();
    void keepChanged(bool on);
    void showChannelsChanged(bool on);
    void scaleChanged(ColourScale scale);
    // The pixel under the pointer, or none.
    void pointerMoved(QPoint pixel);
    void pointerGone();

private:
    void chooseFile();
    LoadOutcome loadChosenFile();
    void showPicture(LoadedPicture &&picture);
    void takePlanes(PicturePlanes &&planes);
    void loadEnded(bool shown);
    void drawViews();
    // Whether the cutoff's spin box and slider can act, in one place.
    void updateCutoffControls();
    // The spin box and the slider show value as far as their ranges reach, without signalling.
    void showCutoff(int value);
    void showReadoutUnderPointer();
    QString replacePicture(const QString &path, std::optional<int> cutoff);
    std::optional<int> keptCutoff() const;

    Vek_Zandor &w_;
    PictureSource *source_ = nullptr;
    ScenePanes *panes_ = nullptr;
    QString shownPath_;
    std::optional<QPointF> pointer_;
    std::optional<FloReadBuffer> readBuffer_;
    ColourScale scale_ = ColourScale::Cutoff;
    std::optional<FlowStatistics> statistics_;
    MagnitudeScratch scratch_;
    bool channelsHeld_ = false;
};

#endif // VIEWER_DOCUMENT_H
