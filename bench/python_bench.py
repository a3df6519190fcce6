#!/usr/bin/env python3
"""The Python package against the NumPy code users write, each case with its reference in the
same process, timed in turn: a ratio below 1 is the package being faster.

    PYTHONPATH=build/python /usr/bin/python3 bench/python_bench.py [--csv] [--data DIR]

Columns as flowviewer-bench's: case, median, reference, reference median, ratio, target.
"""

import argparse
import os
import statistics
import sys
import time

import numpy as np

import flowviewer as fv

SINTEL = "sintel_alley_frame_0002.flo"


def timed(work, repetitions):
    """Median milliseconds of work and its reference, run in turn so that both meet the same
    machine."""
    case, reference = [], []
    for _ in range(repetitions):
        for run, times in ((work[0], case), (work[1], reference)):
            start = time.perf_counter()
            run()
            times.append((time.perf_counter() - start) * 1000)
    return statistics.median(case), statistics.median(reference)


def numpy_read(path):
    with open(path, "rb") as f:
        np.fromfile(f, np.float32, 1)
        width, height = np.fromfile(f, np.int32, 2)
        return np.fromfile(f, np.float32, 2 * width * height).reshape(height, width, 2)


def numpy_wheel():
    segments = [(15, lambda i, n: (255, 255 * i // n, 0)), (6, lambda i, n: (255 - 255 * i // n, 255, 0)),
                (4, lambda i, n: (0, 255, 255 * i // n)), (11, lambda i, n: (0, 255 - 255 * i // n, 255)),
                (13, lambda i, n: (255 * i // n, 0, 255)), (6, lambda i, n: (255, 0, 255 - 255 * i // n))]
    return np.array([colour(i, n) for n, colour in segments for i in range(n)], np.float64)


WHEEL = numpy_wheel() * np.float64(np.float32(1 / 255))


def numpy_to_color(flow, cutoff):
    """The colour coding at a cutoff, vectorised: the flow clamped to it, the wheel's hue by
    direction and the saturation by length."""
    u = np.clip(flow[..., 0], -cutoff, cutoff).astype(np.float64)
    v = np.clip(flow[..., 1], -cutoff, cutoff).astype(np.float64)
    radius = np.float32(np.sqrt(2.0 * cutoff * cutoff))
    fx = (u * (1.0 / np.float64(radius))).astype(np.float32).astype(np.float64)
    fy = (v * (1.0 / np.float64(radius))).astype(np.float32).astype(np.float64)
    rad = np.sqrt(fx * fx + fy * fy)
    a = np.arctan2(-fy, -fx) * np.float64(np.float32(1 / np.pi))
    fk = (a + 1) * 54 * 0.5
    k0 = fk.astype(np.int64)
    k1 = (k0 + 1) % 55
    f = (fk - k0)[..., None]
    col = (1 - f) * WHEEL[k0] + f * WHEEL[k1]
    inside = (rad <= 1)[..., None]
    col = np.where(inside, 1 - rad[..., None] * (1 - col), col * 0.75)
    return (col * 255.0).astype(np.uint8)


def numpy_evaluate(estimate, truth):
    """The figures floweval gives, as NumPy code would compute them."""
    known = lambda f: (np.abs(f[..., 0]) <= 1e9) & (np.abs(f[..., 1]) <= 1e9)
    truth_known = known(truth)
    both = truth_known & known(estimate)
    e = estimate[both].astype(np.float64)
    g = truth[both].astype(np.float64)
    epe = np.hypot(e[:, 0] - g[:, 0], e[:, 1] - g[:, 1])
    cosine = (1 + (e * g).sum(1)) / np.sqrt(1 + (e * e).sum(1)) / np.sqrt(1 + (g * g).sum(1))
    angle = np.degrees(np.arccos(np.clip(cosine, -1, 1)))
    length = np.hypot(g[:, 0], g[:, 1])
    return {
        "aee": epe.mean(),
        "aae": angle.mean(),
        "fl_all": 100 * np.mean((epe > 3) & (epe > 0.05 * length)),
        "px1": 100 * np.mean(epe < 1),
        "px3": 100 * np.mean(epe < 3),
        "px5": 100 * np.mean(epe < 5),
        "coverage": 100 * both.sum() / truth_known.sum(),
    }


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--csv", action="store_true")
    parser.add_argument("--data", default=os.path.join(here, "..", "..", "shared", "data"))
    parser.add_argument("--repetitions", type=int, default=21)
    options = parser.parse_args()
    path = os.path.join(options.data, SINTEL)
    if not os.path.exists(path):
        sys.exit("python_bench: %s is missing" % path)
    flow = fv.read(path)
    estimate = flow + np.float32(0.4) * np.sin(np.arange(flow.size, dtype=np.float32)).reshape(flow.shape)
    cutoff = 11

    assert np.array_equal(fv.read(path), numpy_read(path))
    same_colours = np.mean(fv.to_color(flow, cutoff=cutoff) == numpy_to_color(flow, cutoff))
    figures, reference = fv.evaluate(estimate, flow), numpy_evaluate(estimate, flow)
    worst = max(abs(figures[k] - reference[k]) / max(abs(reference[k]), 1e-12) for k in reference)

    n = options.repetitions
    rows = [
        ("python/read", timed((lambda: fv.read(path), lambda: numpy_read(path)), n),
         "np.fromfile", "<= 1.2"),
        ("python/to_color",
         timed((lambda: fv.to_color(flow, cutoff=cutoff), lambda: numpy_to_color(flow, cutoff)), n),
         "numpy-colour", "<= 0.05"),
        ("python/evaluate",
         timed((lambda: fv.evaluate(estimate, flow), lambda: numpy_evaluate(estimate, flow)), n),
         "numpy-figures", "<= 0.1"),
    ]
    if options.csv:
        print("case,median_ms,reference,reference_ms,ratio")
        for name, (case, ref), reference_name, _ in rows:
            print("%s,%.3f,%s,%.3f,%.3f" % (name, case, reference_name, ref, case / ref))
        return
    print("%-18s %10s   %-14s %10s %8s   %s" % ("case", "median", "reference", "median", "ratio", "target"))
    for name, (case, ref), reference_name, target in rows:
        limit = float(target.split()[-1])
        verdict = "met" if case / ref <= limit else "MISSED"
        print("%-18s %7.3f ms   %-14s %7.3f ms %8.3f   %s  %s"
              % (name, case, reference_name, ref, case / ref, target, verdict))
    print("\nnumpy-colour agrees with to_color on %.4f %% of the bytes; numpy-figures with "
          "evaluate within %.1e" % (100 * same_colours, worst))


if __name__ == "__main__":
    main()
