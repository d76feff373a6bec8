"""Keyword arguments as the command line's options: units, lists, flags,
the messages of bad arguments (tests/data/python/bad_arguments.txt) and
Ctrl-C."""
import re
import signal
import subprocess
import sys
import time

import pytest

from conftest import ROOT, need, table

varnholt = need("varnholt")
args_of = varnholt._arguments.arguments

LP = dict(type="lp", cutoff=100e6, ripple=0.5, sections=5)


@pytest.mark.parametrize("error, message, call", table("bad_arguments.txt"))
def test_bad_arguments_name_the_argument(error, message, call, monkeypatch):
    monkeypatch.chdir(ROOT)
    names = {"design": varnholt.design, "load": varnholt.load, "lp": varnholt.design(**LP)}
    with pytest.raises({"TypeError": TypeError, "ValueError": ValueError}[error]) as raised:
        eval(call, names)
    assert message in str(raised.value)


def test_numbers_carry_their_unit_and_lists_follow_the_option():
    assert args_of("design", dict(center=10.7e6, resonator_l=1e-6, node_capacitance=3e-13,
                                  ripple=0.1, sections=3, impedance=50)) == [
        "--center=10700000.0Hz", "--resonator-l=1e-06H", "--node-capacitance=3e-13F",
        "--ripple=0.1", "--sections=3", "--impedance=50"]
    # --mask-stopband takes each occurrence; --band one pair; flags stand alone.
    assert args_of("design", dict(mask_stopband=[(80e6, 30), (1.2e8, 35.5)], band=(88e6, 108e6),
                                  both=True, log=False, from_=None)) == [
        "--mask-stopband=80000000.0Hz:30", "--mask-stopband=120000000.0Hz:35.5",
        "--band=88000000.0Hz,108000000.0Hz", "--both"]
    assert args_of("design", dict(part={"L2": "l2.s2p", "C3": "c3.s2p"})) == [
        "--part=L2=l2.s2p", "--part=C3=c3.s2p"]
    # An option that keeps one value gets the list joined.
    assert args_of("design", dict(compare=["a", "b"])) == ["--compare=a,b"]


def test_si_numbers_are_the_designs_of_the_values_typed_in_mhz_nh_pf():
    typed = varnholt.design(type="bp", center="10.7", bandwidth="0.2", ripple=0.1, sections=3,
                            topology="top-c", resonator_l="1500").json()
    si = varnholt.design(type="bp", center=10.7e6, bandwidth=0.2e6, ripple=0.1, sections=3,
                         topology="top-c", resonator_l=1.5e-6).json()
    assert si == typed


def test_every_option_in_mhz_nh_or_pf_has_its_unit():
    usage = varnholt._varnholt.usage("design") + varnholt._varnholt.usage("analyse")
    with_units = set()
    for option, text in re.findall(r"^\s+--([a-z0-9-]+) \S+\s+(.*)$", usage, re.M):
        if re.search(r"MHz|GHz|nH\b|pF\b|\(0\.3p\)|^frequency of", text):
            with_units.add(option.replace("-", "_"))
    known = set(varnholt._arguments._UNITS) | set(varnholt._arguments._COMPOUND)
    assert with_units and with_units <= known, with_units - known


def test_network_without_scikit_rf_says_what_to_install(monkeypatch):
    monkeypatch.setitem(sys.modules, "skrf", None)
    with pytest.raises(ImportError, match="needs scikit-rf"):
        varnholt.design(**LP).network()


# About 30 s of trials on one core, were they not stopped.
LONG_YIELD = """
import varnholt
d = varnholt.design(type="lp", cutoff=100e6, ripple=0.5, sections=15, from_=1e6, to=100e6, points=2)
print("ready", flush=True)
d.yield_(tolerances=5, mask={"passband_loss": 1}, trials=2_000_000, threads=1)
print("finished", flush=True)
"""


def test_ctrl_c_stops_a_yield_run_with_keyboard_interrupt():
    child = subprocess.Popen([sys.executable, "-c", LONG_YIELD], stdout=subprocess.PIPE,
                             stderr=subprocess.PIPE, text=True)
    try:
        assert child.stdout.readline() == "ready\n"
        time.sleep(0.5)
        child.send_signal(signal.SIGINT)
        out, err = child.communicate(timeout=10)
    finally:
        child.kill()
    assert "KeyboardInterrupt" in err and "finished" not in out
