#ifndef GROUND_TRUTH_PAIR_H
#define GROUND_TRUTH_PAIR_H

#include "flow_metrics.h"
#include "planes.h"

#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

class FloReadBuffer;

// The ground truth of an estimate while the viewer compares them: the ground truth as read,
// its colour view, the EPE picture and the pair's figures. The figures and the EPE picture are
// flowcore's, so that they equal floweval's.
class GroundTruthPair
{
public:
    QString path;
    FloatPlane u;
    FloatPlane v;
    PixelPlane color;
    PixelPlane epe;
    EvalFigures figures; // with matched and unmatched EPE when occluded is set
    // The ground truth's occlusion mask, 1 where occluded; empty without one, or when the
    // mask found cannot be used, which maskProblem then says.
    QString maskPath;
    QString maskProblem;
    std::vector<std::uint8_t> occluded;

    // The EPE picture, with the outline of the occluded pixels drawn in when outline is set
    // and there is a mask.
    const PixelPlane &epeShown(bool outline);

    // Draws the colour view as the estimate's is drawn: clamped to cutoff and normalised by the
    // corner of its square, or, with a radius, the flow as read normalised by it. Nothing is
    // drawn again when it already shows that.
    void drawColour(int cutoff, std::optional<float> radius);
    // Takes the memory drawColour needs, so that drawing never fails. Throws CError.
    void prepareColour();

    int rows() const { return u.rows(); }
    int cols() const { return u.cols(); }

private:
    // Taken ahead: at a cutoff of 0 the colour view needs the whole clamped field.
    FloatPlane clampedU_;
    FloatPlane clampedV_;
    std::optional<std::pair<int, std::optional<float>>> drawnAt_;
    PixelPlane outlined_;
};

// A ground truth for an estimate, or why there is none.
struct GroundTruthOutcome {
    std::optional<GroundTruthPair> pair;
    QString problem;    // the reader's message, or the sizes that differ
    bool sizes = false; // the problem is that the sizes differ
};

// Reads the flow at path, of any flow format, and holds it against the estimate (estU, estV),
// with the occlusion mask at maskPath when it is not empty.
GroundTruthOutcome pairWithGroundTruth(const QString &path, const FloatPlane &estU,
                                       const FloatPlane &estV, FloReadBuffer *buffer = nullptr,
                                       const QString &maskPath = QString());

// "Ground truth W x H does not match the flow's W x H".
QString sizeMismatchText(int gtCols, int gtRows, int cols, int rows);

// Whether a and b name one file: through links when both exist, by their absolute paths
// otherwise.
bool sameFile(const QString &a, const QString &b);

// The ground truth of the estimate at estimatePath in folder: the flow file there of the
// estimate's name without its suffix, of any flow format, the estimate's own format first.
// The estimate itself never is its own ground truth. Empty when there is none.
QString groundTruthFor(const QString &estimatePath, const QString &folder);

#endif // GROUND_TRUTH_PAIR_H
