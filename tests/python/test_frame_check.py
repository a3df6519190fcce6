"""warp, consistency and photometric against flowwarp's files and figures on a real triple."""

import math

import numpy as np
from PIL import Image

import flowviewer as fv
from conftest import csv_rows, data, tool


def test_alley_triple_is_flowwarps(tmp_path):
    frame1, frame2 = (data("sintel_alley_frame_000%d.png" % k) for k in (2, 3))
    flow_path = data("sintel_alley_frame_0002.flo")
    flow = fv.read(flow_path)
    backward = -flow  # not the true backward flow, but one that mostly undoes it
    fv.write(tmp_path / "back.flo", backward)
    out = tool(
        "flowwarp", frame1, frame2, flow_path, "-o", tmp_path / "warped.png",
        "--backward", tmp_path / "back.flo", "--occlusion", tmp_path / "occ.png", "--csv", "-",
    )
    first = np.asarray(Image.open(frame1).convert("RGB"))
    warped, valid = fv.warp(np.asarray(Image.open(frame2).convert("RGB")), flow)
    assert np.array_equal(warped, np.asarray(Image.open(tmp_path / "warped.png").convert("RGB")))
    occlusion = fv.consistency(flow, backward)
    assert np.array_equal(occlusion, np.asarray(Image.open(tmp_path / "occ.png")))
    figures = fv.photometric(first, warped, valid, occlusion)
    row = csv_rows(out)[0]
    for name in ["valid", "valid_share", "occluded", "mean_abs_error", "psnr"]:
        theirs, ours = float(row[name]), float(figures[name])
        assert (math.isnan(theirs) and math.isnan(ours)) or theirs == ours, name
    assert valid.dtype == np.bool_ and 0 < valid.mean() < 1
    grey, _ = fv.warp(first[..., 1], flow)  # a grey frame: three equal channels
    assert np.array_equal(grey[..., 0], grey[..., 2]) and grey.any()
