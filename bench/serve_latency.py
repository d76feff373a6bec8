#!/usr/bin/python3
"""Latency of `varnholt serve` over loopback: the median and 99th percentile
of each kind of request (the page, the design drawing, each download) for a
9-section design with 201 points, one client, a fresh connection each.

    bench/serve_latency.py [PROGRAM] [--requests N]    (default build/varnholt, 200)

Exits 1 when the drawing's median is 50 ms or more."""
import argparse
import http.client
import re
import signal
import statistics
import subprocess
import time
from pathlib import Path

DESIGN = "type=lowpass&cutoff=100MHz&ripple=0.5&sections=9&points=201"
PATHS = {"page": "/?" + DESIGN, "drawing": "/draw?" + DESIGN}
PATHS.update({kind: f"/download/{kind}?{DESIGN}"
              for kind in ("report", "json", "spice", "touchstone", "csv", "html")})


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("program", nargs="?",
                        default=str(Path(__file__).resolve().parents[1] / "build" / "varnholt"))
    parser.add_argument("--requests", type=int, default=200)
    args = parser.parse_args()
    server = subprocess.Popen([args.program, "serve", "--port", "0"], stdout=subprocess.PIPE)
    port = int(re.search(rb":(\d+)/", server.stdout.readline()).group(1))
    try:
        print(f"{'request':<12} {'median ms':>10} {'p99 ms':>10}   ({args.requests} each)")
        medians = {}
        for name, path in PATHS.items():
            times = []
            for _ in range(args.requests):
                start = time.perf_counter()
                connection = http.client.HTTPConnection("127.0.0.1", port, timeout=30)
                connection.request("GET", path)
                response = connection.getresponse()
                response.read()
                connection.close()
                times.append((time.perf_counter() - start) * 1000)
                assert response.status == 200, (name, response.status)
            times.sort()
            medians[name] = statistics.median(times)
            p99 = times[min(len(times) - 1, int(0.99 * len(times)))]
            print(f"{name:<12} {medians[name]:10.2f} {p99:10.2f}")
    finally:
        server.send_signal(signal.SIGINT)
        server.wait(timeout=20)
    return 0 if medians["drawing"] < 50 else 1


if __name__ == "__main__":
    raise SystemExit(main())
