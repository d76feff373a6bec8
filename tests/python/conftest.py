"""The command line beside the module, the data files, and the packages the
tests need (missing ones skip a test, except under CI, where setup.sh has
installed them)."""
import importlib
import os
import subprocess
from pathlib import Path

import pytest

ROOT = Path(__file__).resolve().parents[2]
DATA = ROOT / "tests" / "data" / "python"
PROGRAM = Path(os.environ.get("VARNHOLT_BUILD_DIR", ROOT / "build")) / "varnholt"


def need(module):
    try:
        return importlib.import_module(module)
    except ImportError:
        if os.environ.get("CI") == "true":
            raise
        pytest.skip(f"{module} is not installed")


def table(name):
    """The rows of a data file: its lines split at ' | ', comments left out."""
    rows = []
    for line in (DATA / name).read_text().splitlines():
        if line.strip() and not line.startswith("#"):
            rows.append([cell.strip() for cell in line.split(" | ")])
    return rows


def run(args, cwd=ROOT):
    """build/varnholt with `args`: (exit status, stdout bytes, stderr text)."""
    done = subprocess.run([str(PROGRAM), *args], cwd=cwd, capture_output=True)
    return done.returncode, done.stdout, done.stderr.decode()
