#ifndef BENCH_INPUTS_H
#define BENCH_INPUTS_H

#include <QString>

#include <vector>

// One flow the benchmark runs on: its .flo file, the PNG of its colour view at the cutoff the
// viewer opens it with, and the cutoffs a slider step moves between.
struct BenchFlow {
    QString name;
    QString floPath;
    QString pngPath;
    int rows = 0;
    int cols = 0;
    int stepCutoff = 1;
    QString origin;
};

// Smooth motion of a scene: a slow zoom and turn of the camera, two objects moving their own
// way, and small patches of unknown flow where objects cover what was seen before.
void generateFlow(int rows, int cols, std::vector<float> &uv);

// Writes the .flo file (12 header bytes, then u, v pairs by rows). False when it cannot.
bool writeFloFile(const QString &path, int rows, int cols, const std::vector<float> &uv);

// Writes the flow to path in the format its suffix names. False when it cannot.
bool writeFlowAs(const QString &path, int rows, int cols, const std::vector<float> &uv);

// Fills in the PNG and the slider step for a flow whose name, file and size are set: the
// colour view as a fresh window shows it, saved with Qt's default PNG settings. False, with
// a message on standard error, when the flow cannot be opened or the PNG written.
class Vek_Zandor;

// Opens the flow at path in w as an open by name does; a flow that does not open ends the run.
void openFlowOrExit(Vek_Zandor &w, const QString &path);

bool prepareFlow(BenchFlow &flow, const QString &workDir);

#endif // BENCH_INPUTS_H
