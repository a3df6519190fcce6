"""evaluate, pool, evaluate_folders, epe and epe_picture against floweval's digits and files."""

import math

import numpy as np
from PIL import Image

import flowviewer as fv
from conftest import csv_rows, generated_flow, tool


def same(a, b):
    return (math.isnan(a) and math.isnan(b)) or a == b


def write_mask(path, mask):
    path.parent.mkdir(parents=True, exist_ok=True)
    Image.fromarray(mask.astype(np.uint8) * 255).save(path)


def test_evaluate_is_flowevals_with_masks(tmp_path):
    truth = generated_flow(seed=2) * 3
    estimate = truth + generated_flow(seed=3) / 4
    rows, cols = truth.shape[:2]
    masks = {
        "occ": np.indices((rows, cols)).sum(0) % 5 == 0,
        "fg": np.arange(cols)[None, :].repeat(rows, 0) < cols // 2,
        "exclude": np.indices((rows, cols))[0] % 7 == 0,
    }
    fv.write(tmp_path / "est.flo", estimate)
    fv.write(tmp_path / "gt.flo", truth)
    options = []
    for kind, mask in masks.items():
        write_mask(tmp_path / kind / "gt.png", mask)
        options += ["--" + kind, tmp_path / kind]
    row = csv_rows(tool("floweval", *options, "--csv", "-", tmp_path / "est.flo", tmp_path / "gt.flo"))[0]
    mine = fv.evaluate(estimate, truth, **masks)
    assert mine["unmatched"] > 0 and mine["foreground"] > 0
    for name, value in mine.items():
        assert same(float(row[name]), float(value)), name
    # The caller's arrays are left as they were.
    assert np.array_equal(fv.read(tmp_path / "gt.flo"), truth, equal_nan=True)


def test_folders_and_pooling_are_flowevals(tmp_path):
    for scene, seeds in [("alley_1", [4, 5]), ("alley_2", [6])]:
        for k, seed in enumerate(seeds):
            truth = generated_flow(rows=20 + k, cols=30, seed=seed)
            for side, flow in [("est", truth + 0.25), ("gt", truth)]:
                (tmp_path / side / scene).mkdir(parents=True, exist_ok=True)
                fv.write(tmp_path / side / scene / ("frame_%d.flo" % k), flow)
    for average in ["pixel", "image"]:
        rows = csv_rows(tool("floweval", "-r", "--average", average, "--csv", "-", "est", "gt", cwd=tmp_path))
        mine = fv.evaluate_folders(tmp_path / "est", tmp_path / "gt", recursive=True, average=average)
        assert len(mine) == len(rows) == 6
        for theirs, ours in zip(rows, mine):
            for name in ["evaluated", "aee", "aae", "fl_all", "aee_s0_10", "coverage"]:
                assert same(float(theirs[name]), float(ours[name])), (theirs["estimate"], name)
        pairs = [entry for entry in mine if "width" in entry]
        pooled = fv.pool(pairs, average=average)
        assert same(pooled["aee"], mine[-1]["aee"]) and pooled["images"] == 3


def test_epe_and_its_picture_are_flowevals(tmp_path):
    truth = generated_flow(seed=7)
    estimate = truth + generated_flow(seed=8) / 2
    fv.write(tmp_path / "e.flo", estimate)
    fv.write(tmp_path / "g.flo", truth)
    tool("floweval", "-q", "--epe-format", "npy", "--epe", tmp_path / "epe.npy", tmp_path / "e.flo", tmp_path / "g.flo")
    tool("floweval", "-q", "--epe", tmp_path / "epe.png", tmp_path / "e.flo", tmp_path / "g.flo")
    assert np.array_equal(fv.epe(estimate, truth), np.load(tmp_path / "epe.npy"), equal_nan=True)
    assert np.array_equal(fv.epe_picture(estimate, truth), np.asarray(Image.open(tmp_path / "epe.png").convert("RGB")))
