"""show(): the viewer on arrays or files, one window per process, updated call after call."""

import atexit
import os
import shutil
import subprocess
import tempfile
import threading

from . import _flowviewer

# Files kept in the followed folder: enough to step back a little, few enough to stay small.
KEEP = 8

_lock = threading.Lock()
_state = {"folder": None, "process": None, "compare": False, "count": 0}


def _has_display():
    return bool(
        os.environ.get("DISPLAY")
        or os.environ.get("WAYLAND_DISPLAY")
        or os.environ.get("QT_QPA_PLATFORM", "").strip()
    )


def _viewer():
    candidates = [os.environ.get("FLOWVIEWER_VIEWER")]
    try:
        from . import _build

        candidates.append(_build.VIEWER)
    except ImportError:
        pass
    candidates.append(shutil.which("flowviewer"))
    for path in candidates:
        if path and os.path.isfile(path) and os.access(path, os.X_OK):
            return path
    raise RuntimeError(
        "the viewer 'flowviewer' is not found: install it, or name it in FLOWVIEWER_VIEWER"
    )


def _folder():
    if _state["folder"] is None:
        _state["folder"] = tempfile.mkdtemp(prefix="flowviewer-show-%d-" % os.getpid())
        os.mkdir(os.path.join(_state["folder"], "gt"))
        atexit.register(shutil.rmtree, _state["folder"], True)
    return _state["folder"]


def _file_name(name, source):
    if name is None and source is not None:
        name = os.path.splitext(os.path.basename(os.fspath(source)))[0]
    if name is None:
        _state["count"] += 1
        name = "flow_%06d" % _state["count"]
    name = str(name)
    if not name or os.sep in name or name in (".", "..") or "\0" in name:
        raise ValueError("name must be a plain file name, not %r" % name)
    return name + ".flo"


def _as_flow(flow_or_path):
    if isinstance(flow_or_path, (str, bytes, os.PathLike)):
        return _flowviewer.read(flow_or_path), flow_or_path
    return flow_or_path, None


def _prune(folder, keep):
    flows = [
        entry
        for entry in os.scandir(folder)
        if entry.is_file() and entry.name.endswith(".flo") and entry.name != keep
    ]
    flows.sort(key=lambda entry: entry.stat().st_mtime_ns)
    for entry in flows[: max(0, len(flows) - (KEEP - 1))]:
        for path in (entry.path, os.path.join(folder, "gt", entry.name)):
            try:
                os.remove(path)
            except FileNotFoundError:
                pass


def show(flow_or_path, gt=None, name=None):
    """Shows a flow (an array, or a file in any format the viewer reads) in the viewer, and
    returns at once with the path of the file it shows.

    Calls from one process update one window: each flow goes, as a .flo file named name (or
    numbered), into a folder of the process's own that the viewer follows; old files are
    removed as new ones come. With gt (an array or a file) the viewer compares the flow with
    it. Raises RuntimeError where there is no display to show it on.
    """
    if not _has_display():
        raise RuntimeError(
            "no display to show the viewer on: set DISPLAY or WAYLAND_DISPLAY, or "
            "QT_QPA_PLATFORM (offscreen, for one)"
        )
    flow, source = _as_flow(flow_or_path)
    truth = _as_flow(gt)[0] if gt is not None else None
    with _lock:
        viewer = _viewer()
        folder = _folder()
        file_name = _file_name(name, source)
        path = os.path.join(folder, file_name)
        # The ground truth first, so that it is there when the viewer takes the flow.
        if truth is not None:
            _flowviewer.write(os.path.join(folder, "gt", file_name), truth)
        _flowviewer.write(path, flow)
        _prune(folder, file_name)
        process = _state["process"]
        running = process is not None and process.poll() is None
        if running and truth is not None and not _state["compare"]:
            process.terminate()
            process.wait()
            running = False
        if not running:
            command = [viewer, "--follow", folder]
            if truth is not None:
                command += ["--gt", os.path.join(folder, "gt")]
            _state["process"] = subprocess.Popen(
                command,
                stdin=subprocess.DEVNULL,
                stdout=subprocess.DEVNULL,
                start_new_session=True,
            )
            _state["compare"] = truth is not None
        return path
