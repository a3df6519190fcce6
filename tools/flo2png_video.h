#ifndef FLO2PNG_VIDEO_H
#define FLO2PNG_VIDEO_H

#include "flo2png_options.h"

#include <QStringList>

struct SequenceVideoJob;

// The video export --video asks for, or false with the reason in *error (a frame to blend with
// that is missing).
bool videoJob(const Flo2PngOptions &options, SequenceVideoJob *job, QString *error);

// flo2png --video: every input a frame of one video, with a progress line; an interrupt (SIGINT,
// SIGTERM) stops it with nothing at the video's name. Returns the exit status, 128 + the
// signal's number when interrupted.
int runFlo2PngVideo(const Flo2PngOptions &options);

#endif // FLO2PNG_VIDEO_H
