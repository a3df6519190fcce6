"""Optical Flow Viewer from Python: its readers, colours, figures and window on NumPy arrays.

Every function takes any array-like (a NumPy array, a CPU tensor through ``np.asarray``) and
returns new NumPy arrays; none writes into the caller's arrays. A flow is float32 or float64,
shaped (H, W, 2) or (2, H, W). The results are the tools' own: ``to_color`` gives flo2png's
bytes, ``evaluate`` floweval's digits, ``warp`` flowwarp's bytes.
"""

from ._flowviewer import (
    __version__,
    channels,
    consistency,
    epe,
    epe_picture,
    evaluate,
    evaluate_folders,
    known,
    photometric,
    pool,
    read,
    statistics,
    to_color,
    warp,
    write,
)
from ._show import show

__all__ = [
    "channels",
    "consistency",
    "epe",
    "epe_picture",
    "evaluate",
    "evaluate_folders",
    "known",
    "photometric",
    "pool",
    "read",
    "show",
    "statistics",
    "to_color",
    "warp",
    "write",
]
