#!/usr/bin/env python3
"""Listens on the given IPv6 address and ports without ever accepting: each listener's accept
queue is filled at the start, so every later connection attempt goes unanswered, like a
broken IPv6 path where SYNs vanish. Writes READY_FILE once every queue is full, then sleeps
until it is ended.

    silent_listener.py READY_FILE ADDRESS PORT...
"""
import concurrent.futures
import socket
import sys
import time


def fill(address, port):
    listener = socket.socket(socket.AF_INET6, socket.SOCK_STREAM)
    listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    listener.bind((address, port))
    listener.listen(0)
    # The queue of a listener with backlog 0 takes one or two connections; connect until one
    # is left unanswered (bounded: a queue never takes this many).
    held = []
    for _ in range(16):
        client = socket.socket(socket.AF_INET6, socket.SOCK_STREAM)
        client.settimeout(0.3)
        try:
            client.connect((address, port))
        except (socket.timeout, BlockingIOError):
            client.close()
            return listener, held
        held.append(client)
    raise SystemExit(f"silent_listener: the queue of [{address}]:{port} never filled")


def main():
    ready_file, address, ports = sys.argv[1], sys.argv[2], [int(p) for p in sys.argv[3:]]
    # Each port waits out one unanswered connection attempt: all of them at once.
    with concurrent.futures.ThreadPoolExecutor(max_workers=len(ports)) as pool:
        kept = list(pool.map(lambda port: fill(address, port), ports))
    with open(ready_file, "w") as ready:
        ready.write(" ".join(str(p) for p in ports) + "\n")
    while kept:
        time.sleep(3600)


if __name__ == "__main__":
    main()
