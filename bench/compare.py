#!/usr/bin/env python3
"""Runs two commands alternately ROUNDS times and prints their median wall times and the ratio."""
import statistics
import subprocess
import sys
import time

rounds = int(sys.argv[1])
ours = sys.argv[2].split("\x1f")
peer = sys.argv[3].split("\x1f")


def wall(command):
    start = time.perf_counter()
    subprocess.run(command, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    return time.perf_counter() - start


# One warm-up each, so both start from the same kernel caches.
wall(ours)
wall(peer)
times = {"ours": [], "peer": []}
for _ in range(rounds):
    times["ours"].append(wall(ours))
    times["peer"].append(wall(peer))
m_ours = statistics.median(times["ours"])
m_peer = statistics.median(times["peer"])
print(f"velmora-scan  median {m_ours:.3f} s over {rounds} runs")
print(f"getfattr -R   median {m_peer:.3f} s over {rounds} runs")
print(f"ratio         {m_ours / m_peer:.2f}")
