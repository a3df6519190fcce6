"""What the Python package's tests share: the built tools, the real data, generated flows."""

import csv
import io
import os
import subprocess

import numpy as np
import pytest

BIN = os.path.abspath(os.environ.get("FLOWVIEWER_BIN", ""))
DATA = os.environ.get(
    "FLOWVIEWER_SHARED_DATA",
    os.path.join(os.path.dirname(__file__), "..", "..", "..", "shared", "data"),
)


def tool(name, *args, cwd=None):
    """Runs a built tool; its standard output, or the test fails with its standard error."""
    done = subprocess.run(
        [os.path.join(BIN, name), *map(str, args)], capture_output=True, text=True, cwd=cwd
    )
    assert done.returncode == 0, done.stderr
    return done.stdout


def csv_rows(text):
    return list(csv.DictReader(io.StringIO(text)))


def data(name):
    path = os.path.join(DATA, name)
    if not os.path.exists(path):
        pytest.skip("the shared data folder is absent: " + path)
    return path


def generated_flow(rows=37, cols=53, seed=1):
    """A flow with every kind of value: ordinary, unknown by NaN or size, and signed zeros."""
    random = np.random.default_rng(seed)
    flow = random.normal(0, 12, (rows, cols, 2)).astype(np.float32)
    flow[3, 4] = [np.nan, 1]
    flow[5, 6] = [2e9, 0]
    flow[7, 8] = [-0.0, 0.0]
    return flow
