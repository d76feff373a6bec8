"""The server under load on loopback: 500 requests from 16 concurrent clients,
good, malformed and oversized ones mixed (tests/data/serve/load.txt), each
answered as it is when made alone, within a bounded time; the server stays
up, its memory flat, and Ctrl-C ends it cleanly."""
import concurrent.futures
import http.client
import socket
import threading
import time
from pathlib import Path

from conftest import DATE, Server

CASES = Path(__file__).resolve().parents[1] / "data" / "serve" / "load.txt"
CLIENTS = 16
REQUESTS = 500


def cases():
    rows = []
    for line in CASES.read_text().splitlines():
        if line.strip() and not line.startswith("#"):
            rows.append([cell.strip() for cell in line.split(" | ")])
    return rows


def rss_kib(pid):
    for line in Path(f"/proc/{pid}/status").read_text().splitlines():
        if line.startswith("VmRSS:"):
            return int(line.split()[1])
    raise AssertionError("no VmRSS")


def raw(server, text):
    """A request sent as it stands: (status, body)."""
    text = text.replace("HOST", f"127.0.0.1:{server.port}").replace("LONG", "x" * 9000)
    with socket.create_connection(("127.0.0.1", server.port), timeout=30) as s:
        s.sendall(text.replace("\\r\\n", "\r\n").encode())
        answer = b""
        # To the end of the body: the server may keep the connection open.
        while b"\r\n\r\n" not in answer or len(answer.partition(b"\r\n\r\n")[2]) < length(answer):
            chunk = s.recv(65536)
            assert chunk, answer
            answer += chunk
    head, _, body = answer.partition(b"\r\n\r\n")
    return int(head.split()[1]), body


def length(answer):
    for line in answer.partition(b"\r\n\r\n")[0].split(b"\r\n"):
        name, _, value = line.partition(b":")
        if name.lower() == b"content-length":
            return int(value)
    return 0


def request(server, method, path):
    """(status, body); a POST sends a body of SIZE bytes."""
    path, _, size = path.partition(" SIZE ")
    connection = http.client.HTTPConnection("127.0.0.1", server.port, timeout=30)
    try:
        if method == "POST":
            connection.putrequest("POST", path)
            connection.putheader("Content-Type", "multipart/form-data; boundary=b")
            connection.putheader("Content-Length", size)
            connection.endheaders(b"x" * int(size))
        else:
            connection.request(method, path)
        response = connection.getresponse()
        return response.status, response.read()
    finally:
        connection.close()


def answer(server, row):
    if row[0].startswith("RAW"):
        return raw(server, row[1])
    return request(server, row[1], row[2])


def check(server, row, expected, got):
    status, body = got
    assert status == int(row[0].split()[-1]), (row, body[:200])
    if expected is not None:
        assert DATE.sub(b"", body) == expected, row
    else:
        assert body.decode(errors="replace").startswith(row[-1]), (row, body[:200])


def run_load(server, rows, count, references):
    jobs = [rows[i % len(rows)] for i in range(count)]
    with concurrent.futures.ThreadPoolExecutor(CLIENTS) as pool:
        answers = list(pool.map(lambda row: (row, answer(server, row)), jobs))
    for row, got in answers:
        check(server, row, references.get(id(row)), got)


def test_concurrent_requests_are_each_answered_and_the_server_stays_up(server):
    rows = cases()
    # Each good request's answer made alone: what it must be under load.
    references = {}
    for row in rows:
        if row[-1] == "=":
            status, body = answer(server, row)
            assert status == 200, body
            references[id(row)] = DATE.sub(b"", body)
    run_load(server, rows, 4 * CLIENTS, references)  # every thread's memory in use
    before = rss_kib(server.process.pid)
    start = time.monotonic()
    run_load(server, rows, REQUESTS, references)
    elapsed = time.monotonic() - start
    after = rss_kib(server.process.pid)
    print(f"{REQUESTS} requests from {CLIENTS} clients in {elapsed:.1f} s; "
          f"RSS {before} KiB before, {after} KiB after")
    assert elapsed < 60
    assert after < before * 1.25 + 8192
    assert server.get("/")[0] == 200
    status, out, err = server.stop()
    assert (status, out, err) == (0, "varnholt: stopped\n", "")


def test_ctrl_c_cancels_the_work_in_hand():
    server = Server()
    long_work = "/draw?type=lp&cutoff=100&ripple=0.5&sections=7&tolerance-l=5&mask-passband-loss=1" \
                "&trials=100000"
    answers = []
    client = threading.Thread(target=lambda: answers.append(server.get(long_work)))
    client.start()
    time.sleep(1)
    start = time.monotonic()
    status, out, err = server.stop()
    client.join()
    assert (status, out, err) == (0, "varnholt: stopped\n", "")
    assert time.monotonic() - start < 3
    assert answers[0][0] == 409
