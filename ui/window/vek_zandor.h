#ifndef VEK_ZANDOR_H
#define VEK_ZANDOR_H

#include "planes.h"
#include "ui_zandor.h"

#include <QImage>
#include <QMainWindow>
#include <QString>
#include <QStringList>

class FlowTools;
class QDragEnterEvent;
class QDropEvent;
class QGraphicsPixmapItem;
class QGraphicsScene;
class QGraphicsSimpleTextItem;
class ReadingAhead;
class ToolHost;
class ViewerDocument;
class WindowMemory;

// The viewer's main window. Its public members hold what is shown: the form, the file and its
// directory listing, the scene with its two layers and captions, the cutoff, and the seven
// planes the picture is kept in. The document (document()) is their only writer; the window's
// routines forward to it.
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

    void LoadCurrentFile();
    void AllocatePlanes();
    void ReleasePlanes();
    void RefreshScene(bool showDims);
    void ShowPixelInfo(int x, int y);

    // What is shown, and the operations on it.
    ViewerDocument *document() const { return document_; }
    // The neighbours of the shown file read ahead.
    ReadingAhead *readingAhead() const { return readingAhead_; }
    // The places for controls beyond the form.
    ToolHost *toolHost() const { return toolHost_; }
    // What the window remembers between starts.
    WindowMemory *memory() const { return memory_; }
    // Scales, statistics, legend, arrows and blending with a frame.
    FlowTools *flowTools() const { return flowTools_; }

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
    ViewerDocument *document_ = nullptr;
    ReadingAhead *readingAhead_ = nullptr;
    ToolHost *toolHost_ = nullptr;
    WindowMemory *memory_ = nullptr;
    FlowTools *flowTools_ = nullptr;
};

#endif // VEK_ZANDOR_H
