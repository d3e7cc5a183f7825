#!/usr/bin/env python3
"""Peak memory of bildheber-cli against image hosts that answer with hostile replies.

A TLS stand-in on 127.0.0.1 answers every upload in one of these ways:
  page      an ordinary reply page of about 3 KiB with a forum code (the baseline)
  endless   a body without Content-Length that never ends: bytes until the client gives up
  claimed   "Content-Length: LIMIT", then nothing; the connection is closed after a while
  invalid   LIMIT bytes 0xFF declared as UTF-8: decoding triples them (U+FFFD for each)
  largest   LIMIT bytes of ASCII without forum code: the largest reply the program takes in,
            which goes on into the entry's failure text and the log
For each way it runs the program once and reports its peak resident and virtual memory (VmHWM,
VmPeak), read from /proc every millisecond while it runs, and the peak resident memory the kernel
reports at its end (ru_maxrss of wait4, exact, but never below what this launcher held when it
started the program: Linux counts the launcher's memory at the fork). Used by
hostile-reply-memory.sh, which prepares the certificate and the program; standard library only.
"""

import argparse
import os
import resource
import socket
import ssl
import subprocess
import threading
import time

BLOCK = 64 * 1024
ENDLESS_CAP = 1 << 30  # the stand-in stops an endless body here, whatever the client does
CLAIMED_HOLD_SECONDS = 3
RUN_TIMEOUT_SECONDS = 150  # above the client's own exchange deadline

PAGE_BODY = (
    "<html><head><title>Bild hochgeladen</title></head><body>\n"
    + "<p>" + "Danke f&uuml;r das Bild. " * 120 + "</p>\n"
    + '<input type="text" id="codebbs" value="[URL=https://127.0.0.1/i/1][IMG]'
    + 'https://127.0.0.1/i/1.jpg[/IMG][/URL]">\n</body></html>\n'
).encode("ascii")


def read_request(connection):
    """Reads the header section and as many body bytes as its Content-Length says."""
    data = b""
    while b"\r\n\r\n" not in data:
        piece = connection.recv(BLOCK)
        if not piece:
            return
        data += piece
    head, _, body = data.partition(b"\r\n\r\n")
    length = 0
    for line in head.split(b"\r\n")[1:]:
        name, _, value = line.partition(b":")
        if name.strip().lower() == b"content-length":
            length = int(value.strip())
    while len(body) < length:
        piece = connection.recv(BLOCK)
        if not piece:
            return
        body += piece


def answer(connection, way, limit):
    if way == "page":
        connection.sendall(
            b"HTTP/1.1 200 OK\r\nContent-Type: text/html; charset=UTF-8\r\n"
            + b"Content-Length: %d\r\n\r\n" % len(PAGE_BODY) + PAGE_BODY)
    elif way == "endless":
        connection.sendall(b"HTTP/1.1 200 OK\r\nContent-Type: text/html\r\n\r\n")
        block = b"x" * BLOCK
        for _ in range(ENDLESS_CAP // BLOCK):
            connection.sendall(block)
    elif way == "claimed":
        connection.sendall(
            b"HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nContent-Length: %d\r\n\r\n" % limit)
        time.sleep(CLAIMED_HOLD_SECONDS)
    elif way in ("invalid", "largest"):
        connection.sendall(
            b"HTTP/1.1 200 OK\r\nContent-Type: text/html; charset=UTF-8\r\n"
            + b"Content-Length: %d\r\n\r\n" % limit)
        block = (b"\xff" if way == "invalid" else b"x") * BLOCK
        for offset in range(0, limit, BLOCK):
            connection.sendall(block[: min(BLOCK, limit - offset)])


def serve(listener, context, way, limit):
    while True:
        try:
            raw, _ = listener.accept()
        except OSError:
            return  # the listener was closed: the measurement is over
        raw.settimeout(RUN_TIMEOUT_SECONDS)
        try:
            with context.wrap_socket(raw, server_side=True) as connection:
                read_request(connection)
                answer(connection, way, limit)
        except (OSError, ssl.SSLError):
            pass  # the client gave up, which is what a hostile reply should make it do
        finally:
            raw.close()


def status_field(pid, name):
    """A field such as VmPeak of /proc/PID/status in KiB, or None once the process is gone."""
    try:
        with open(f"/proc/{pid}/status") as status:
            for line in status:
                if line.startswith(name + ":"):
                    return int(line.split()[1])
    except (OSError, ValueError):
        pass
    return None


def measure(program, picture, port, cert, work):
    env = dict(os.environ, BILDHEBER_SERVER=f"127.0.0.1:{port}", SSL_CERT_FILE=cert)
    env.pop("SSL_CERT_DIR", None)
    with open(os.path.join(work, "stderr.txt"), "w+") as errors:
        started = time.monotonic()
        child = subprocess.Popen([program, picture], env=env, stdout=subprocess.DEVNULL,
                                 stderr=errors, cwd=work)
        peak_resident = peak_virtual = 0
        while True:
            pid, status, usage = os.wait4(child.pid, os.WNOHANG)
            if pid != 0:
                break
            if time.monotonic() - started > RUN_TIMEOUT_SECONDS:
                child.kill()
            peak_resident = max(peak_resident, status_field(child.pid, "VmHWM") or 0)
            peak_virtual = max(peak_virtual, status_field(child.pid, "VmPeak") or 0)
            time.sleep(0.001)
        child.returncode = os.waitstatus_to_exitcode(status)  # wait4 has reaped it already
        seconds = time.monotonic() - started
        errors.seek(0)
        lines = [line.strip() for line in errors if line.strip()]
    return {
        "exit": child.returncode,
        "hwm": peak_resident,
        "peak": peak_virtual,
        "maxrss": usage.ru_maxrss,  # KiB on Linux
        "seconds": seconds,
        "last": lines[-1] if lines else "",
    }


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("program", help="bildheber-cli to run")
    parser.add_argument("picture", help="JPEG file to upload")
    parser.add_argument("cert", help="the stand-in's self-signed certificate (PEM)")
    parser.add_argument("key", help="its private key (PEM)")
    parser.add_argument("--limit-mib", type=int, default=1,
                        help="the body limit of the program; claimed, invalid and largest use it")
    parser.add_argument("--ways", default="page,endless,claimed,invalid,largest")
    args = parser.parse_args()
    limit = args.limit_mib << 20
    work = os.path.dirname(os.path.abspath(args.program))
    picture = os.path.abspath(args.picture)

    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    context.load_cert_chain(args.cert, args.key)
    launcher = resource.getrusage(resource.RUSAGE_SELF).ru_maxrss / 1024
    print(f"body limit assumed: {args.limit_mib} MiB; launcher's own peak {launcher:.1f} MiB")
    print(f"{'way':<8} {'VmHWM':>7} {'VmPeak':>7} {'maxrss':>7} {'seconds':>8} {'exit':>5}"
          "  last status (memory in MiB)")
    for way in args.ways.split(","):
        with socket.create_server(("127.0.0.1", 0)) as listener:
            port = listener.getsockname()[1]
            server = threading.Thread(target=serve, args=(listener, context, way, limit),
                                      daemon=True)
            server.start()
            result = measure(args.program, picture, port, args.cert, work)
            listener.shutdown(socket.SHUT_RDWR)
        print(f"{way:<8} {result['hwm'] / 1024:>7.1f} {result['peak'] / 1024:>7.1f} "
              f"{result['maxrss'] / 1024:>7.1f} {result['seconds']:>8.1f} {result['exit']:>5}  "
              f"{result['last'][:50]}")


if __name__ == "__main__":
    main()
