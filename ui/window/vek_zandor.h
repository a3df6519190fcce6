#ifndef VEK_ZANDOR_H
#define VEK_ZANDOR_H

#include "planes.h"
#include "ui_zandor.h"

#include <QImage>
#include <QMainWindow>
#include <QString>
#include <QStringList>

class BrowseController;
class FlowTools;
class QDragEnterEvent;
class QDropEvent;
class QGraphicsPixmapItem;
class QGraphicsScene;
class QGraphicsSimpleTextItem;
class ScenePanes;
class ToolHost;
class WindowMemory;
struct LoadFailure;
struct LoadedPicture;
struct PicturePlanes;

// The viewer's main window. It holds the whole state of the viewer: the form, the file being
// shown and its directory listing, the scene with its two layers and captions, the cutoff, and
// the seven planes the picture is kept in. The state is public because the layers and the
// member routines that live with their subsystems read and write it.
class Vek_Zandor : public QMainWindow
{
    Q_OBJECT

public:
    explicit Vek_Zandor(QWidget *parent = nullptr, Qt::WindowFlags flags = Qt::WindowFlags());
    ~Vek_Zandor() override;

    Ui::zandorClass ui;

    QString filePath;
    QString dirPath;
    bool browseByStep = false;
    int browseStep = -1;
    QStringList dirFiles;
    int dirIndex = 0;
    QImage viewImage;

    QGraphicsScene *scene = nullptr;
    QGraphicsPixmapItem *leftLayer = nullptr;
    QGraphicsPixmapItem *rightLayer = nullptr;
    QGraphicsSimpleTextItem *leftLabel = nullptr;
    QGraphicsSimpleTextItem *rightLabel = nullptr;

    bool hasImage = false;
    bool isFlow = false;
    bool showIndividualDim = false;
    bool keepCutoff = false;
    int rows = 0;
    int cols = 0;
    int flowCutoff = 0;

    PixelPlane colorPlane;
    PixelPlane dimXPlane;
    PixelPlane dimYPlane;
    FloatPlane flowU;
    FloatPlane flowV;
    FloatPlane clampedU;
    FloatPlane clampedV;

    // Number of times the flow has been clamped, coloured and drawn since construction; one
    // user action must cost one pass however often the cutoff widgets echo each other.
    int cutoffPasses = 0;

    void LoadCurrentFile();
    void AllocatePlanes();
    void ReleasePlanes();
    void RefreshScene(bool showDims);
    void ShowPixelInfo(int x, int y);

    // Loading and stepping, and the places for controls beyond the form.
    BrowseController *browser() const { return browser_; }
    ToolHost *toolHost() const { return toolHost_; }
    // What the window remembers between starts.
    WindowMemory *memory() const { return memory_; }
    // Scales, statistics, legend, arrows and blending with a frame.
    FlowTools *flowTools() const { return flowTools_; }

    // Lets a tool lay out the scene and read out pixels instead of the window; null for none.
    void setScenePanes(ScenePanes *panes) { scenePanes_ = panes; }

    // Puts a loaded picture on screen: its planes become the window's, with the flags, the
    // cutoff widgets, the flow-mode action, the title, the size text and the scene. The
    // window's own planes must have been released.
    void showPicture(LoadedPicture &&picture);
    // The text of the box that reports a failed load of path.
    QString failureText(const QString &path, const LoadFailure &failure) const;
    // Which actions can act on what is shown: Save needs a picture's planes, the zooms a
    // picture on screen.
    void updateActions();

public slots:
    void OpenFileAction();
    void SaveFileAction();
    void ZoomFit();
    void ZoomOriginal();
    void ZoomIn();
    void ZoomOut();
    void About();
    void SetModeAsViewingFlow(bool);
    void SetFlowCutoff(int value);
    void SetShowIndividualDim(bool);
    void SetKeepFlowCutoffValue(bool);

protected:
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    void takePlanes(PicturePlanes &&planes);
    // The spin box and the slider show value as far as their ranges reach, without signalling.
    void showCutoff(int value);

    BrowseController *browser_ = nullptr;
    ToolHost *toolHost_ = nullptr;
    WindowMemory *memory_ = nullptr;
    FlowTools *flowTools_ = nullptr;
    ScenePanes *scenePanes_ = nullptr;
};

#endif // VEK_ZANDOR_H
