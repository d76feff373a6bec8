"""A `varnholt serve --port 0` for each test module, the command line to
compare it with, and the packages the tests need (missing ones skip a test,
except under CI, where setup.sh has installed them)."""
import importlib
import os
import re
import signal
import subprocess
import urllib.error
import urllib.request
from pathlib import Path

import pytest

ROOT = Path(__file__).resolve().parents[2]
PROGRAM = Path(os.environ.get("VARNHOLT_BUILD_DIR", ROOT / "build")) / "varnholt"
# The report's date line comes from the clock.
DATE = re.compile(rb"Date:.*$", re.M)


def need(module):
    try:
        return importlib.import_module(module)
    except ImportError:
        if os.environ.get("CI") == "true":
            raise
        pytest.skip(f"{module} is not installed")


class Server:
    """The program serving on a free loopback port."""

    def __init__(self):
        # Under AddressSanitizer, freed memory waits in a quarantine (256 MB by
        # default) before it is reused: kept small, the memory stays a measure.
        env = dict(os.environ)
        env["ASAN_OPTIONS"] = ":".join(filter(None, [env.get("ASAN_OPTIONS"), "quarantine_size_mb=4",
                                                     "thread_local_quarantine_size_kb=64"]))
        self.process = subprocess.Popen([str(PROGRAM), "serve", "--port", "0"], env=env,
                                        stdout=subprocess.PIPE, stderr=subprocess.PIPE)
        line = self.process.stdout.readline().decode()
        match = re.fullmatch(r"varnholt: serving (http://127\.0\.0\.1:(\d+)/)\n", line)
        assert match, line
        self.url, self.port = match.group(1), int(match.group(2))

    def get(self, path, method="GET", data=None, headers=None, timeout=30):
        """(status, headers, body bytes) of a request to the server."""
        request = urllib.request.Request(self.url + path.lstrip("/"), data=data, method=method,
                                         headers=headers or {})
        try:
            with urllib.request.urlopen(request, timeout=timeout) as r:
                return r.status, r.headers, r.read()
        except urllib.error.HTTPError as e:
            return e.code, e.headers, e.read()

    def stop(self):
        """Ctrl-C: the server ends with status 0 and says so."""
        self.process.send_signal(signal.SIGINT)
        out, err = self.process.communicate(timeout=20)
        return self.process.returncode, out.decode(), err.decode()


@pytest.fixture(scope="module")
def server():
    s = Server()
    yield s
    if s.process.poll() is None:
        s.process.kill()
        s.process.wait()


def run(args, cwd):
    """The command line with `args`: (exit status, stdout bytes, stderr text)."""
    done = subprocess.run([str(PROGRAM), *args], cwd=cwd, capture_output=True)
    return done.returncode, done.stdout, done.stderr.decode()


def cli_file(args, kind, name, folder):
    """The file the command line writes for `--KIND NAME` after `args`."""
    status, _, err = run([*args, f"--{kind}", name], folder)
    assert status == 0, err
    return (Path(folder) / name).read_bytes()
