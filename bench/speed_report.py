#!/usr/bin/env python3
"""Prints scripts/bench-speed's figures as a Markdown table: the stand-in's
message path and the agent's cost per small request, the earlier revision
and the working tree side by side (median of all runs, lowest-highest)."""
import argparse
import json
import statistics


def lines(path):
    with open(path) as f:
        return [json.loads(line) for line in f if line.strip()]


def cell(values, fmt):
    if not values:
        return "-"
    return f"**{fmt(statistics.median(values))}** ({fmt(min(values))}–{fmt(max(values))})"


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--mqemu", required=True)
    ap.add_argument("--agent", required=True)
    ap.add_argument("--counts", required=True)
    ap.add_argument("--instructions", required=True)
    ap.add_argument("--before", required=True)
    ap.add_argument("--load-before", required=True)
    ap.add_argument("--load-after", required=True)
    a = ap.parse_args()

    # Stand-in: each repetition of mqemu_bench is one value.
    # Pinned: client and daemon on one CPU.
    stand_in = {s: {k: [] for k in ("oneway", "roundtrip", "oneway_pinned", "roundtrip_pinned")}
                for s in ("before", "after")}
    for r in lines(a.mqemu):
        pinned = "_pinned" if r.get("pinned") else ""
        for b in r["benchmarks"]:
            if b.get("run_type") != "iteration":
                continue
            if b["name"].startswith("BM_PutterToAsyncConsumer"):
                stand_in[r["side"]]["oneway" + pinned].append(b["items_per_second"])
            elif b["name"].startswith("BM_PutGetRoundTrip"):
                stand_in[r["side"]]["roundtrip" + pinned].append(1e6 / b["items_per_second"])

    # perf stat counts, per message (one way) or per round trip.
    counts = {}
    for r in lines(a.counts):
        for key in ("sys_enter", "context-switches", "task-clock"):
            if key in r:
                counts.setdefault((r["side"], r["bench"], key), []).append(r[key])

    # callgrind: instructions per message (one way) or per round trip.
    instructions = {}
    for r in lines(a.instructions):
        for key in ("client", "daemon"):
            if key in r:
                instructions.setdefault((r["side"], r["bench"], key), []).append(r[key])

    # Agent: each measured run of admin_bench is one value.
    agent = {(s, c): {} for s in ("before", "after") for c in (1, 2, 4, 8)}
    for r in lines(a.agent):
        cells = agent[(r["side"], r["clients"])]
        d, g = r["direct"], r["agent"]
        for key, values in (
            ("latency_direct", d["latency_us"]),
            ("latency_agent", g["latency_us"]),
            ("added", [y - x for x, y in zip(d["latency_us"], g["latency_us"])]),
            ("rps_direct", d["throughput"]),
            ("rps_agent", g["throughput"]),
            ("share", [y / x for x, y in zip(d["throughput"], g["throughput"])]),
            ("callback", g.get("callback_us_per_request", [])),
            ("callback_mqi", g.get("callback_mqi_us_per_request", [])),
            ("own", [t - m for t, m in zip(g.get("callback_us_per_request", []),
                                            g.get("callback_mqi_us_per_request", []))]),
        ):
            cells.setdefault(key, []).extend(values)
        for calls in g.get("mqi_calls_per_request", []):
            for name, n in calls.items():
                cells.setdefault("calls:" + name, []).append(n)

    us = lambda v: f"{v:,.1f} µs"
    rate = lambda v: f"{v:,.0f}/s"
    times = lambda v: f"{v:.2f}×"
    count = lambda v: f"{v:.2f}"
    rows = [
        ("Stand-in: putter to asynchronous consumer, 1 KB one way",
         lambda s: cell(stand_in[s]["oneway"], rate)),
        ("Stand-in: MQPUT + MQGET round trip, 1 KB",
         lambda s: cell(stand_in[s]["roundtrip"], us)),
        ("Stand-in, one CPU for both ends: 1 KB one way",
         lambda s: cell(stand_in[s]["oneway_pinned"], rate)),
        ("Stand-in, one CPU for both ends: round trip",
         lambda s: cell(stand_in[s]["roundtrip_pinned"], us)),
    ]
    for bench, what in (("Async", "message one way"), ("RoundTrip", "round trip")):
        for key in ("client", "daemon"):
            if any(instructions.get((s, bench, key)) for s in ("before", "after")):
                rows.append((f"Stand-in: instructions per {what}, {key} (polling off)",
                             lambda s, k=(bench, key): cell(instructions.get((s,) + k, []),
                                                            lambda v: f"{v:,.0f}")))
        for key, label, fmt in (
            ("sys_enter", "system calls", count),
            ("context-switches", "context switches", count),
            ("task-clock", "CPU time", lambda v: us(v * 1e3)),
        ):
            if any(counts.get((s, bench, key)) for s in ("before", "after")):
                rows.append((f"Stand-in: {label} per {what}, client and daemon",
                             lambda s, k=(bench, key), fmt=fmt: cell(counts.get((s,) + k, []), fmt)))
    for clients in (1, 2, 4, 8):
        who = "1 client" if clients == 1 else f"{clients} clients"
        c = lambda s, k, clients=clients: agent[(s, clients)].get(k, [])
        rates = [
            (f"Ping, {who}: requests/s directly", lambda s, c=c: cell(c(s, "rps_direct"), rate)),
            (f"Ping, {who}: requests/s through the agent", lambda s, c=c: cell(c(s, "rps_agent"), rate)),
            (f"Ping, {who}: agent ÷ direct, requests/s", lambda s, c=c: cell(c(s, "share"), times)),
        ]
        if clients in (2, 4):
            # Between one client and eight, the rates alone: where the
            # agent's one dispatch thread stops keeping up with the clients.
            rows += rates
            continue
        rows += [
            (f"Ping, {who}: latency directly", lambda s, c=c: cell(c(s, "latency_direct"), us)),
            (f"Ping, {who}: latency through the agent", lambda s, c=c: cell(c(s, "latency_agent"), us)),
            (f"Ping, {who}: added by the agent", lambda s, c=c: cell(c(s, "added"), us)),
        ] + rates + [
            (f"Ping, {who}: agent's time in its callbacks per request",
             lambda s, c=c: cell(c(s, "callback"), us)),
            (f"Ping, {who}: of that, in its MQI calls",
             lambda s, c=c: cell(c(s, "callback_mqi"), us)),
            (f"Ping, {who}: of that, its own", lambda s, c=c: cell(c(s, "own"), us)),
        ]
        names = sorted({k for s in ("before", "after") for k in agent[(s, clients)]
                        if k.startswith("calls:")})
        for k in names:
            rows.append((f"Ping, {who}: agent's {k[6:]} per request",
                         lambda s, c=c, k=k: cell(c(s, k), count)))

    print(f"| | Before: {a.before} | After: this tree |")
    print("|---|---|---|")
    for label, fn in rows:
        print(f"| {label} | {fn('before')} | {fn('after')} |")
    print()
    print(f"Load average (1, 5, 15 minutes) before the run {a.load_before}, "
          f"after it {a.load_after}.")


if __name__ == "__main__":
    main()
