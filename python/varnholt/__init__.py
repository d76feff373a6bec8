"""LC ladder filters: design, practical parts, analysis and exports.

The command line's pipeline from Python, in SI units (Hz, H, F, ohms,
seconds)::

    import varnholt
    bp = varnholt.design(type="bandpass", center=10.7e6, bandwidth=200e3, ripple=0.1,
                         sections=3, topology="top-c", resonator_l=1e-6)
    built = bp.with_practical(round="E24", q_inductor=80)
    s = built.sweep()                  # numpy arrays: s21, s11, zin, delay, ...
    built.touchstone("bp.s2p")         # the file `varnholt design ... --touchstone bp.s2p` writes

Each keyword is the command line's option of the same name (``q_at`` is
``--q-at``, ``from_`` is ``--from``), checked by the same rules: a bad value
raises ValueError with the command line's message, naming the keyword; a
value of the wrong Python type raises TypeError. A text is read as the
command line reads it ("10.7MHz", "220n"; a bare number there is in MHz, nH
or pF), a number is in SI units. Each export (``report()``, ``json()``,
``spice()``, ``touchstone()``, ``csv()``, ``html()``) is the command line's
output for the same options, byte for byte.
"""

import os
from pathlib import Path
from typing import Any, Callable, Dict, List, NamedTuple, Optional, TypeVar, Union

from . import _varnholt
from ._arguments import arguments, python_names

__all__ = ["Branch", "Design", "Sweep", "Yield", "design", "load"]

_EXPORTS = frozenset(_varnholt.outputs())
_T = TypeVar("_T")
PathLike = Union[str, "os.PathLike[str]"]


def _checked(call: Callable[..., _T], *args: Any) -> _T:
    """call(*args), its ValueError worded with the keywords for the options."""
    try:
        return call(*args)
    except ValueError as e:
        raise ValueError(python_names(str(e))) from None


class Branch(NamedTuple):
    """One branch of the ladder, from the source: "series" or "shunt", its
    connection ("L || C", "(L1 + C1) + (L2 || C2)") and its elements by name
    ("L3", "C3", "L3a") with their values in henries and farads."""
    placement: str
    connection: str
    elements: Dict[str, float]


class Sweep(NamedTuple):
    """The built circuit between its terminations, one entry per frequency.
    S-parameters and the input impedance are complex; s21_db, s21_deg,
    s11_db and vswr are the CSV export's columns."""
    frequency: Any  # Hz
    s11: Any
    s21: Any
    s12: Any
    s22: Any
    zin: Any  # ohms
    delay: Any  # group delay, s
    s21_db: Any
    s21_deg: Any
    s11_db: Any
    vswr: Any


class Yield(NamedTuple):
    """A Monte Carlo yield analysis: the share of trials inside the mask and
    how often each mask item failed."""
    percent: float
    passed: int
    trials: int
    failures: Dict[str, int]
    design: "Design"


def _grouped(keyword: str, prefix: str, value: Any) -> Dict[str, Any]:
    """mask={"passband_loss": 1} -> {"mask_passband_loss": 1}; tolerances=5
    stands for {"l": 5, "c": 5}."""
    if value is None:
        return {}
    if isinstance(value, dict):
        return {f"{prefix}_{key}": v for key, v in value.items()}
    if keyword == "tolerances" and isinstance(value, (int, float)) and not isinstance(value, bool):
        return {"tolerance_l": value, "tolerance_c": value}
    example = "{'l': 5, 'c': 2}" if keyword == "tolerances" else "{'passband_loss': 1}"
    raise TypeError(f"{keyword}: a mapping such as {example} is wanted, not {type(value).__name__}")


class Design:
    """A filter designed or read, evaluated once; see the module's help."""

    def __init__(self, command: List[str], options: Dict[str, Any]) -> None:
        for keyword in options:
            if keyword in _EXPORTS:
                raise TypeError(f"{keyword}: ask for the export with Design.{keyword}(path)")
        self._command = command
        self._options = {k: v for k, v in options.items() if v is not None}
        args = command + arguments(command[0], self._options)
        self._evaluation = _checked(_varnholt.Evaluation, args)
        self.ladder = [Branch(p, c, dict(e)) for p, c, e in self._evaluation.ladder()]

    @property
    def description(self) -> str:
        """What was designed or analysed, as the exports' first comment line gives it."""
        return self._evaluation.description

    @property
    def options(self) -> Dict[str, Any]:
        """The keywords this design was made with."""
        return dict(self._options)

    def __repr__(self) -> str:
        return f"<varnholt.Design {self.description}>"

    def with_practical(self, *, round: Optional[str] = None, q_inductor: Any = None,
                       tolerances: Any = None, mask: Optional[Dict[str, Any]] = None,
                       **options: Any) -> "Design":
        """The same design with standard values, component Q, parasitics,
        tolerances and a mask: round="E24", q_inductor=80, q_at=10.7e6,
        tolerances=5 or {"l": 5, "c": 2} (percent), mask={"passband_loss": 1,
        "return_loss": 15, "stopband": [(12e6, 40)]}, and any other option
        (trials=..., seed=..., inductor_srf=...). False drops an option."""
        given = dict(options, round=round, q_inductor=q_inductor)
        given.update(_grouped("tolerances", "tolerance", tolerances))
        given.update(_grouped("mask", "mask", mask))
        changed = dict(self._options)
        changed.update({k: v for k, v in given.items() if v is not None})
        return Design(self._command, changed)

    def yield_(self, *, tolerances: Any = None, mask: Optional[Dict[str, Any]] = None,
               **options: Any) -> Yield:
        """The Monte Carlo yield with the tolerances and mask given here (or the
        design's own); options as for with_practical (trials=, seed=, ...)."""
        d = self.with_practical(tolerances=tolerances, mask=mask, **options)
        summary = d._evaluation.yield_summary()
        if summary is None:
            raise ValueError("tolerances: needed for a yield (tolerances=5 or {'l': 5, 'c': 2})")
        trials, passed, percent, failures = summary
        return Yield(percent, passed, trials, dict(failures), d)

    def optimise(self, goal: Optional[str] = None, **options: Any) -> "Design":
        """The design with its element values optimised (the command line's
        --optimise [GOAL] with options such as pairs=True, free=["L1", "C2"],
        max_evaluations=500)."""
        return self.with_practical(optimise=True if goal is None else goal, **options)

    def sweep(self, frequencies: Any = None) -> Sweep:
        """The response at the frequencies given (Hz), or over the design's
        sweep (that of the CSV export)."""
        import numpy

        f = None if frequencies is None else numpy.atleast_1d(numpy.asarray(frequencies, float))
        return Sweep(**_checked(self._evaluation.sweep, f))

    def network(self, frequencies: Any = None) -> Any:
        """The built ladder alone as a skrf.Network: the Touchstone export's
        S-parameters, referred to its reference resistance."""
        try:
            import skrf
        except ImportError as e:
            raise ImportError("Design.network() needs scikit-rf: apt-get install "
                              "python3-scikit-rf, or pip install scikit-rf") from e
        import numpy

        f = None if frequencies is None else numpy.atleast_1d(numpy.asarray(frequencies, float))
        hz, s, z0 = _checked(self._evaluation.s_parameters, f)
        return skrf.Network(frequency=skrf.Frequency.from_f(hz, unit="hz"), s=s, z0=z0,
                            name=self.description)

    def _export(self, output: str, path: Optional[PathLike]) -> str:
        target = "-" if path is None else os.fspath(path)
        text = _checked(self._evaluation.write, output, target)
        if path is not None:
            Path(path).write_bytes(text.encode())
        return text

    def report(self, path: Optional[PathLike] = None) -> str:
        """The interactive program's report (CR LF line ends); also written to path."""
        return self._export("report", path)

    def json(self, path: Optional[PathLike] = None) -> str:
        """The design file (designs only); also written to path."""
        return self._export("json", path)

    def spice(self, path: Optional[PathLike] = None) -> str:
        """The circuit-simulator netlist, its data file named after path."""
        return self._export("spice", path)

    def touchstone(self, path: Optional[PathLike] = None) -> str:
        """Touchstone 1.1 S-parameters of the built ladder; also written to path."""
        return self._export("touchstone", path)

    def csv(self, path: Optional[PathLike] = None) -> str:
        """The sweep as CSV; also written to path."""
        return self._export("csv", path)

    def html(self, path: Optional[PathLike] = None) -> str:
        """The self-contained design page; also written to path."""
        return self._export("html", path)


def design(**options: Any) -> Design:
    """A new design: the options of `varnholt design` (type=, response=,
    cutoff= or center= and bandwidth= in Hz, ripple= in dB, sections=, ...)."""
    return Design(["design"], options)


def load(path: PathLike, **options: Any) -> Design:
    """A design file or circuit data file analysed: the options of
    `varnholt analyse FILE` (source=, load=, from_=, to=, points=, ...)."""
    return Design(["analyse", os.fspath(path)], options)
