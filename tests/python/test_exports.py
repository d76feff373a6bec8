"""Every export, the sweep, the network and the ladder against the command
line's own outputs for the same job (tests/data/python/designs.txt)."""
import json
import re
from decimal import Decimal

import pytest

from conftest import ROOT, need, run, table

np = need("numpy")
varnholt = need("varnholt")

CASES = {name: (args.split(), call) for name, args, call in table("designs.txt")}
# The report's date line comes from the clock.
DATE = re.compile(rb"Date:.*$", re.M)


def made(name):
    return eval(CASES[name][1], {"design": varnholt.design, "load": varnholt.load})


def program_output(name, option, path):
    status, _, err = run(CASES[name][0] + [option, str(path)])
    return path.read_bytes() if status == 0 else err


@pytest.mark.parametrize("name", CASES)
def test_every_export_is_the_command_lines(name, tmp_path, monkeypatch):
    d = made(name)
    for output in ("report", "json", "spice", "touchstone", "csv", "html"):
        path = tmp_path / f"out.{output}"
        expected = program_output(name, "--" + output, path)
        if isinstance(expected, str):  # refused: the same message, in keywords
            message = varnholt._arguments.python_names(expected.removeprefix("varnholt: ").strip())
            with pytest.raises(ValueError, match=re.escape(message)):
                getattr(d, output)(path)
            continue
        text = getattr(d, output)(path).encode()
        if output == "report":
            expected, text = DATE.sub(b"", expected), DATE.sub(b"", text)
        assert text == expected, output
        assert DATE.sub(b"", path.read_bytes()) == DATE.sub(b"", expected), output


def csv_columns(path):
    lines = path.read_text().splitlines()
    names = lines[0].split(",")
    return {n: [row.split(",")[i] for row in lines[1:]] for i, n in enumerate(names)}


def si(texts, exponent):
    """The numbers in SI units, their decimal point moved."""
    return np.array([float(Decimal(str(t)).scaleb(exponent)) for t in texts])


# The page's options (--both, --log) go with --html alone.
SWEPT = [name for name in CASES if name != "page"]


@pytest.mark.parametrize("name", SWEPT)
def test_sweep_is_the_csv_to_the_last_digit(name, tmp_path):
    program_output(name, "--csv", tmp_path / "out.csv")
    csv = csv_columns(tmp_path / "out.csv")
    s = made(name).sweep()
    assert np.array_equal(s.frequency, si(csv["frequency_MHz"], 6))
    # The built circuit: the lossy or rounded column where there is one.
    built = next((c for c in ("s21_lossy_dB", "s21_optimised_dB", "s21_refined_dB", "s21_rounded_dB") if c in csv), "s21_dB")
    assert np.array_equal(s.s21_db, si(csv[built], 0))
    if built != "s21_dB":
        return
    assert np.array_equal(s.s21_deg, si(csv["s21_phase_deg"], 0))
    assert np.array_equal(s.delay, si(csv["group_delay_ns"], -9))
    assert np.array_equal(s.s11_db, si(csv["s11_dB"], 0))
    assert np.array_equal(s.vswr, si(csv["vswr"], 0))
    assert np.array_equal(s.zin, si(csv["zin_real_ohm"], 0) + 1j * si(csv["zin_imag_ohm"], 0))
    assert np.allclose(20 * np.log10(abs(s.s21)), s.s21_db, rtol=1e-12, atol=1e-12)
    assert np.allclose(s.s12, s.s21, rtol=1e-12, atol=1e-15)  # a reciprocal network


@pytest.mark.parametrize("name", ["lowpass", "bandstop", "practical"])
def test_sweep_at_given_frequencies_is_the_sweep_there(name):
    d = made(name)
    whole = d.sweep()
    some = d.sweep(whole.frequency[::7])
    for field in whole._fields:
        assert np.array_equal(getattr(some, field), getattr(whole, field)[::7]), field


@pytest.mark.parametrize("name", ["lowpass", "top-c", "practical", "circuit-file"])
def test_network_is_the_touchstone_file_read_by_scikit_rf(name, tmp_path):
    skrf = need("skrf")
    path = tmp_path / "out.s2p"
    program_output(name, "--touchstone", path)
    read = skrf.Network(str(path))
    mine = made(name).network()
    assert np.array_equal(mine.s, read.s)
    assert np.allclose(mine.f, read.f, rtol=1e-15, atol=0)
    assert np.array_equal(mine.z0, read.z0)


@pytest.mark.parametrize("name", ["lowpass", "top-c", "elliptic", "bandstop"])
def test_ladder_values_are_the_design_files_in_si(name, tmp_path):
    circuits = json.loads(program_output(name, "--json", tmp_path / "out.json"))["circuits"]
    chosen = circuits.get("coupled") or circuits["dual" if "dual" in CASES[name][0] else "standard"]
    ladder = made(name).ladder
    assert [(b.placement, b.connection) for b in ladder] == [
        (b["placement"], b["connection"]) for b in chosen["branches"]]
    for mine, theirs in zip(ladder, chosen["branches"]):
        for element, value in mine.elements.items():
            key = ("inductance" if element[0] == "L" else "capacitance") + \
                  ("_2" if element.endswith("b") else "")
            assert value == si([repr(theirs[key])], -9 if element[0] == "L" else -12)[0], element


def test_yield_is_the_reports_and_a_practical_design_keeps_its_options():
    d = made("practical")
    y = d.yield_()
    assert (y.trials, 0 <= y.passed <= y.trials) == (200, True)
    assert y.percent == pytest.approx(100 * y.passed / y.trials)
    assert len(y.failures) == 3  # the passband loss and two stopband points
    fewer = d.yield_(trials=50)
    assert fewer.trials == 50 and fewer.design.options["round"] == "E24"
