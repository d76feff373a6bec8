"""Keyword arguments as the command line's arguments.

A keyword ``x_y`` is the option ``--x-y`` (a trailing underscore, as in
``from_``, is dropped). ``True`` gives the flag alone, ``False`` and ``None``
leave the option out, a text goes as typed, a number as its shortest
round-trip text. Numbers are in SI units: where the command line's bare
number is in MHz, nH or pF, the number is written with its unit ("Hz", "H",
"F"), which the command line reads as the same double as the MHz (nH, pF)
value typed. A list gives the option once per item where the option takes
each occurrence, and one comma-joined value where it does not.
"""

import numbers
import os
import re

from . import _varnholt

# The options whose bare numbers on the command line are MHz, nH or pF.
_UNITS = {
    "cutoff": "Hz", "center": "Hz", "bandwidth": "Hz", "skirt": "Hz", "from": "Hz", "to": "Hz",
    "step": "Hz", "q_at": "Hz", "inductor_srf": "Hz",
    "resonator_l": "H", "capacitor_esl": "H",
    "inductor_cp": "F", "node_capacitance": "F",
}
# The options whose one value is several numbers: the mark that joins them
# and the unit of each.
_COMPOUND = {
    "band": (",", ("Hz", "Hz")),
    "source": (",", ("", "")),
    "load": (",", ("", "")),
    "mask_stopband": (":", ("Hz", "")),
}


def option_name(keyword: str) -> str:
    return keyword.rstrip("_")


def python_names(message: str) -> str:
    """The command line's message with each option as the keyword: "--q-at" -> "q_at"."""
    return re.sub(r"--([a-z][a-z0-9-]*)", lambda m: m.group(1).replace("-", "_"), message)


def _number(name: str, value: object, unit: str) -> str:
    if isinstance(value, str):
        return value
    if isinstance(value, bool) or not isinstance(value, numbers.Real):
        raise TypeError(f"{name}: a number or a text such as '10.7MHz' is wanted, "
                        f"not {type(value).__name__}")
    if isinstance(value, numbers.Integral):
        return str(int(value)) + unit
    return float.__repr__(float(value)) + unit


def _compound(name: str, value: object) -> str:
    if isinstance(value, (str, numbers.Real)):
        value = (value,)
    if not isinstance(value, (tuple, list)) or not 1 <= len(value) <= 2:
        raise TypeError(f"{name}: one or two numbers are wanted, not {type(value).__name__}")
    mark, units = _COMPOUND[name]
    return mark.join(_number(name, v, u) for v, u in zip(value, units))


def _values(name: str, value: object) -> list:
    if name in _COMPOUND:
        several = isinstance(value, (list, tuple)) and all(isinstance(v, (list, tuple)) for v in value)
        return [_compound(name, v) for v in (value if several else [value])]
    if isinstance(value, dict):  # part={"L2": "l2.s2p"}: NAME=FILE
        if all(isinstance(k, str) and isinstance(v, (str, os.PathLike)) for k, v in value.items()):
            return [f"{k}={os.fspath(v)}" for k, v in value.items()]
    if isinstance(value, (list, tuple, dict)):
        if isinstance(value, dict) or not all(isinstance(v, str) for v in value):
            raise TypeError(f"{name}: a number or a text is wanted, not a {type(value).__name__}")
        return list(value)
    return [_number(name, value, _UNITS.get(name, ""))]


def arguments(command: str, options: dict) -> list:
    """The arguments of the options, after the command."""
    args = []
    for keyword, value in options.items():
        name = option_name(keyword)
        flag = "--" + name.replace("_", "-")
        if value is None or value is False:
            continue
        if value is True:
            args.append(flag)
            continue
        values = _values(name, value)
        if len(values) > 1 and not _varnholt.keeps_repeats(command, flag):
            values = [",".join(values)]
        args += [f"{flag}={v}" for v in values]
    return args
