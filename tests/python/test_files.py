"""read and write against flowconvert, and files no reader should trust."""

import os
import numpy as np
import pytest

import flowviewer as fv
from conftest import data, generated_flow, tool

FORMATS = ["flo", "flo5", "pfm", "npy", "png"]


@pytest.mark.parametrize("suffix", FORMATS)
def test_write_is_flowconverts_file_and_reads_back(tmp_path, suffix):
    flow = generated_flow()
    if suffix == "png":  # KITTI holds 1/64 px within +-512 and no NaN
        flow = np.round(np.clip(np.nan_to_num(flow), -500, 500) * 64) / 64
    source = tmp_path / "source.flo"
    fv.write(source, flow)
    tool("flowconvert", source, tmp_path / ("tool." + suffix))
    fv.write(tmp_path / ("mine." + suffix), flow)
    assert (tmp_path / ("mine." + suffix)).read_bytes() == (
        tmp_path / ("tool." + suffix)
    ).read_bytes()
    back = fv.read(tmp_path / ("mine." + suffix))
    assert back.dtype == np.float32 and back.shape == flow.shape
    known = fv.known(flow)
    assert np.array_equal(back[known], flow[known])
    # Written whole under its name, with nothing left beside it.
    assert sorted(os.listdir(tmp_path)) == sorted(["source.flo", "tool." + suffix, "mine." + suffix])


def test_flo_bits_kept_and_planar_input(tmp_path):
    path = data("sintel_alley_frame_0002.flo")
    flow = fv.read(path)
    raw = np.fromfile(path, np.float32, offset=12).reshape(436, 1024, 2)
    assert flow.tobytes() == raw.tobytes()
    # (2, H, W), float64 and a view with steps are the same flow.
    fv.write(tmp_path / "planar.flo", np.ascontiguousarray(flow.transpose(2, 0, 1)).astype(np.float64))
    assert fv.read(tmp_path / "planar.flo").tobytes() == raw.tobytes()
    assert np.array_equal(fv.to_color(flow[::2, ::3]), fv.to_color(flow[::2, ::3].copy()))


def test_kitti_clamping_is_a_warning(tmp_path):
    with pytest.warns(UserWarning, match="2 components clamped to KITTI's range"):
        fv.write(tmp_path / "k.png", np.full((1, 1, 2), 1e4, np.float32))


@pytest.mark.parametrize(
    "content, name",
    [
        (b"PIEH" + b"\x00" * 3, "short.flo"),
        (b"PIEH" + (2**31 - 1).to_bytes(4, "little") * 2, "huge.flo"),
        (b"\x89PNG\r\n\x1a\n" + b"\x00" * 30, "broken.png"),
        (b"\x93NUMPY\x01\x00" + b"\x00" * 20, "bad.npy"),
        (b"PF\n-1 -1\n-1\n", "bad.pfm"),
        (b"hello", "text"),
    ],
)
def test_hostile_files_raise(tmp_path, content, name):
    (tmp_path / name).write_bytes(content)
    with pytest.raises(OSError):
        fv.read(tmp_path / name)


def test_bad_arguments_raise():
    with pytest.raises(OSError, match="nowhere.flo"):
        fv.read("nowhere.flo")
    with pytest.raises(ValueError, match="cannot tell the format"):
        fv.write("out.txt", generated_flow())
    with pytest.raises(TypeError, match="float32 or float64, not int64"):
        fv.known(np.zeros((2, 2, 2), np.int64))
    for shape in [(2, 2), (3, 3, 3), (0, 4, 2), (2, 0, 5)]:
        with pytest.raises(ValueError):
            fv.to_color(np.zeros(shape, np.float32))
    with pytest.raises(ValueError, match="scale is 'cutoff', 'longest' or 'percentile'"):
        fv.to_color(generated_flow(), scale="log")
