"""to_color, channels and statistics against flo2png's pictures."""

import numpy as np
import pytest
from PIL import Image

import flowviewer as fv
from conftest import data, generated_flow, tool


def picture(path):
    return np.asarray(Image.open(path).convert("RGB"))


@pytest.mark.parametrize(
    "options, kwargs",
    [
        ([], {}),
        (["--cutoff", "0"], {"cutoff": 0}),
        (["--cutoff", "7"], {"cutoff": 7}),
        (["--auto"], {"scale": "longest"}),
        (["--percentile", "95"], {"scale": "percentile", "percentile": 95.0}),
    ],
)
def test_to_color_is_flo2pngs(tmp_path, options, kwargs):
    for name, flow in [("generated", generated_flow()), ("sintel", None)]:
        path = tmp_path / (name + ".flo")
        if flow is None:
            flow = fv.read(data("sintel_alley_frame_0002.flo"))
        fv.write(path, flow)
        tool("flo2png", *options, "-o", tmp_path / "out.png", path)
        assert np.array_equal(fv.to_color(flow, **kwargs), picture(tmp_path / "out.png")), name


def test_channels_are_flo2pngs(tmp_path):
    flow = generated_flow()
    fv.write(tmp_path / "f.flo", flow)
    tool("flo2png", "--channels", "--cutoff", "9", "-d", tmp_path / "out", tmp_path / "f.flo")
    u, v = fv.channels(flow, cutoff=9)
    assert u.shape == flow.shape[:2] and u.dtype == np.uint8
    for grey, suffix in [(u, "x"), (v, "y")]:
        written = tmp_path / "out" / ("f_colorview_dim%s.png" % suffix)
        assert np.array_equal(np.stack([grey] * 3, -1), picture(written))


def test_statistics():
    flow = generated_flow()
    s = fv.statistics(flow)
    known = fv.known(flow)
    lengths = np.hypot(flow[known][:, 0].astype(np.float64), flow[known][:, 1]).astype(np.float32)
    assert (s["known"], s["unknown"]) == (known.sum(), (~known).sum())
    assert s["max_magnitude"] == lengths.max()
    assert s["histogram"].sum() == s["known"] and len(s["bin_edges"]) == 65
    assert s["min_u"] == flow[known][:, 0].min()
    empty = fv.statistics(np.full((2, 2, 2), np.nan, np.float32))
    assert empty["known"] == 0 and empty["max_magnitude"] is None
