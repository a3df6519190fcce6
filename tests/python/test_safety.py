"""Threads at once, arrays left alone, and show() on the offscreen platform."""

import os
import threading
import time

import numpy as np
import pytest

import flowviewer as fv
from conftest import BIN, generated_flow


def test_threads_at_once_give_one_answer():
    flow = generated_flow(rows=300, cols=400)
    before = flow.copy()
    expected = (fv.to_color(flow), fv.evaluate(flow + 1, flow)["aee"])
    results = []

    def work():
        for _ in range(5):
            results.append((fv.to_color(flow), fv.evaluate(flow + 1, flow)["aee"]))

    threads = [threading.Thread(target=work) for _ in range(2)]
    for thread in threads:
        thread.start()
    for thread in threads:
        thread.join()
    assert len(results) == 10
    assert all(np.array_equal(c, expected[0]) and a == expected[1] for c, a in results)
    assert np.array_equal(flow, before, equal_nan=True)


def test_show_follows_one_folder(monkeypatch):
    monkeypatch.setenv("QT_QPA_PLATFORM", "offscreen")
    monkeypatch.setenv("FLOWVIEWER_VIEWER", os.path.join(BIN, "flowviewer"))
    first = fv.show(generated_flow(), name="first")
    folder = os.path.dirname(first)
    assert os.path.basename(first) == "first.flo"
    for k in range(fv._show.KEEP + 2):
        fv.show(generated_flow(seed=k), gt=generated_flow(seed=k))
    names = sorted(name for name in os.listdir(folder) if name.endswith(".flo"))
    assert len(names) == fv._show.KEEP and "first.flo" not in names
    assert sorted(os.listdir(os.path.join(folder, "gt"))) == names
    process = fv._show._state["process"]
    time.sleep(1)
    assert process.poll() is None  # started in compare mode, and still running
    process.terminate()
    process.wait()


def test_show_needs_a_display(monkeypatch):
    for name in ["DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"]:
        monkeypatch.delenv(name, raising=False)
    with pytest.raises(RuntimeError, match="no display"):
        fv.show(generated_flow())
