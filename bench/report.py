#!/usr/bin/env python3
"""Writes docs/performance.md from the figures of one scripts/bench run.

Input: the JSON lines of admin_bench (one per cell, with its link), the
Google Benchmark JSON of consolidation_bench, and what scripts/bench knows
of the run (load, time taken). Output: the Markdown page, and the medians
that bench/performance.gp draws (one gnuplot data block per workload, link
and path, in the order the script expects).
"""
import argparse
import json
import os
import platform
import re
import statistics
import subprocess

TIME_UNITS = {"s": 1.0, "ms": 1e-3, "us": 1e-6}
RATE_UNITS = {"bit": 1, "kbit": 1e3, "mbit": 1e6, "gbit": 1e9}


def parse_link(spec):
    """(rtt in seconds, rate in bytes/s or None, label) of an MQEMU_LINK value."""
    rtt, rate, label = 0.0, None, []
    for part in filter(None, spec.split(",")):
        key, value = part.split("=", 1)
        number = re.match(r"[0-9.]+", value).group(0)
        unit = value[len(number):].lower()
        if key == "rtt":
            rtt = float(number) * TIME_UNITS[unit]
            label.append(f"rtt {number} {unit}")
        elif key == "rate":
            rate = float(number) * RATE_UNITS[unit] / 8
            label.append(f"{number} {unit[0].upper() + unit[1:] if len(unit) > 3 else unit}/s")
    return rtt, rate, ", ".join(label) or "local"
LARGE = [("inquire-queue", "Inquire Queue, Q_NAME '*', all attributes"),
         ("escape", "Escape \"DISPLAY QLOCAL(*) ALL\"")]
SMALL = [("ping", "Ping Queue Manager"), ("inquire-qmgr", "Inquire Queue Manager")]
SIZES = [100, 1000, 5000]
# The cells the issue of this benchmark names: (workload, queues, rtt).
HEADLINES = [("inquire-queue", 5000, 0.001), ("inquire-queue", 1000, 0.020)]


def spread(values):
    return statistics.median(values), min(values), max(values)


def scaled(value, units):
    """`value` in the first of `units` ((factor, format), largest first) it
    reaches, else in the last."""
    for factor, form in units[:-1]:
        if value >= factor:
            return form.format(value / factor)
    factor, form = units[-1]
    return form.format(value / factor)


def seconds(s):
    return scaled(s, [(1, "{:.2f} s"), (1e-3, "{:.1f} ms"), (1e-6, "{:.0f} µs")])


def timed(values):
    med, lo, hi = spread(values)
    return f"**{seconds(med)}** ({seconds(lo)}–{seconds(hi)})"


def micro(us):
    return scaled(us, [(1000, "{:.2f} ms"), (1, "{:.0f} µs")])


def size(n):
    return scaled(n, [(1e6, "{:.2f} MB"), (1e3, "{:.1f} kB"), (1, "{:.0f} B")])


def ratio(values):
    med, lo, hi = spread(values)
    return f"**{med:.1f}×** ({lo:.1f}–{hi:.1f})"


def bound(messages, nbytes, link, server_time):
    """(messages × rtt) + (bytes ÷ rate) + the command server's local time."""
    rtt, rate, _ = parse_link(link)
    return messages * rtt + (nbytes / rate if rate else 0) + server_time


class Results:
    def __init__(self, path):
        self.cells = {}
        self.links = []  # in the order the script ran them, the local one first
        with open(path) as f:
            for line in f:
                line = line.strip()
                if not line:
                    continue
                cell = json.loads(line)
                r = cell["result"]
                key = (r["workload"], r["queues"] or r["clients"], cell["link"])
                self.cells[key] = r
                if cell["link"] not in self.links:
                    self.links.append(cell["link"])

    def link_with_rtt(self, rtt):
        return next(link for link in self.links if parse_link(link)[0] == rtt)

    def label(self, link):
        return parse_link(link)[2]

    def get(self, workload, n, link):
        return self.cells.get((workload, n, link))

    def server_time(self, workload, n):
        """The command server's own time: what the quicker path takes locally.

        The direct path's local time also holds one local MQGET per reply,
        so through the agent is often the quicker; either way the figure
        holds all of the command server's work."""
        local = self.get(workload, n, "")
        return min(statistics.median(local[p]["seconds"]) for p in ("direct", "agent"))

    def figures(self, workload, n, link):
        """Per path: median seconds, messages, bytes, bound; None if absent."""
        r = self.get(workload, n, link)
        if r is None:
            return None
        out = {}
        for path in ("direct", "agent"):
            p = r.get(path)
            if p is None:
                continue
            msgs = statistics.median(p["messages"])
            nbytes = statistics.median(p["bytes"])
            out[path] = {
                "seconds": p["seconds"],
                "median": statistics.median(p["seconds"]),
                "messages": msgs,
                "bytes": nbytes,
                "bound": bound(msgs, nbytes, link, self.server_time(workload, n)),
            }
        out["ratios"] = r["ratios"]
        return out


def large_table(results, workload):
    rows = ["| Queues | Link | Direct | Through the agent | Direct ÷ agent "
            "| Messages direct / agent | Bytes direct / agent | Bound direct / agent "
            "| Agent ÷ its bound |",
            "|---:|---|---|---|---|---|---|---|---|"]
    for n in SIZES:
        local = results.figures(workload, n, "")
        for link in results.links:
            label = results.label(link)
            f = results.figures(workload, n, link)
            if f is None:
                continue
            a = f["agent"]
            d = f.get("direct")
            if d is None:
                # Left out: its bound from what the local run received.
                d_bound = bound(local["direct"]["messages"], local["direct"]["bytes"], link,
                                results.server_time(workload, n))
                direct = f"left out (one run ≈ {seconds(d_bound)})"
                rat = f"≈ {d_bound / a['median']:.0f}× (direct's bound ÷ agent)"
                msgs = f"{local['direct']['messages']:,.0f} / {a['messages']:,.0f}"
                byts = f"{size(local['direct']['bytes'])} / {size(a['bytes'])}"
                bnd = f"{seconds(d_bound)} / {seconds(a['bound'])}"
            else:
                direct = timed(d["seconds"])
                rat = ratio(f["ratios"])
                msgs = f"{d['messages']:,.0f} / {a['messages']:,.0f}"
                byts = f"{size(d['bytes'])} / {size(a['bytes'])}"
                bnd = f"{seconds(d['bound'])} / {seconds(a['bound'])}"
            rows.append(f"| {n:,} | {label} | {direct} | {timed(a['seconds'])} | {rat} | {msgs} "
                        f"| {byts} | {bnd} | {a['median'] / a['bound']:.2f} |")
    return "\n".join(rows)


def small_table(results):
    rows = ["| Request | Clients | Link | Latency direct | Latency through the agent "
            "| Added by the agent | Requests/s direct / agent | Direct ÷ agent (run time) |",
            "|---|---:|---|---|---|---|---|---|"]
    for workload, title in SMALL:
        for clients in (1, 8):
            for link in results.links:
                label = results.label(link)
                r = results.get(workload, clients, link)
                if r is None:
                    continue
                d = spread(r["direct"]["latency_us"])
                a = spread(r["agent"]["latency_us"])
                td = statistics.median(r["direct"]["throughput"])
                ta = statistics.median(r["agent"]["throughput"])
                added = a[0] - d[0]
                rows.append(
                    f"| {title} | {clients} | {label} | **{micro(d[0])}** ({micro(d[1])}–"
                    f"{micro(d[2])}) | **{micro(a[0])}** ({micro(a[1])}–{micro(a[2])}) "
                    f"| {'+' if added >= 0 else '−'}{micro(abs(added))} | {td:,.0f} / {ta:,.0f} "
                    f"| {ratio(r['ratios'])} |")
    return "\n".join(rows)


def consolidation(path):
    """Median, min and max bytes per second of each benchmark's repetitions."""
    with open(path) as f:
        doc = json.load(f)
    runs = {}
    for b in doc["benchmarks"]:
        if b.get("run_type") == "iteration":
            runs.setdefault(b["run_name"], []).append(b["bytes_per_second"])
    return {name: spread(v) for name, v in runs.items()}, doc["context"]


def gbs(v):
    return f"{v / 1e9:.2f} GB/s"


def machine():
    model = "unknown"
    with open("/proc/cpuinfo") as f:
        for line in f:
            if line.startswith("model name"):
                model = line.split(":", 1)[1].strip()
                break
    with open("/proc/meminfo") as f:
        mem_kb = int(f.readline().split()[1])
    pretty = platform.system()
    if os.path.exists("/etc/os-release"):
        with open("/etc/os-release") as f:
            for line in f:
                if line.startswith("PRETTY_NAME="):
                    pretty = line.split("=", 1)[1].strip().strip('"')
    compiler = subprocess.run(["c++", "--version"], capture_output=True, text=True).stdout
    return (f"{model}, {os.cpu_count()} cores, {mem_kb / 1024 / 1024:.0f} GiB of memory; "
            f"{pretty}, Linux {platform.release()}; {compiler.splitlines()[0]}")


def plot_data(results, path):
    """Blocks in the order of bench/performance.gp: workload, link, path."""
    with open(path, "w") as f:
        for workload, _ in LARGE:
            for link in results.links:
                for p in ("direct", "agent"):
                    f.write(f'"{p}, {results.label(link)}" ""\n')
                    for n in SIZES:
                        fig = results.figures(workload, n, link)
                        if fig is not None and p in fig:
                            f.write(f"{n} {fig[p]['median']:.6f}\n")
                    f.write("\n\n")


def goals(results, memmove_and_consolidation):
    lines = []
    far = results.link_with_rtt(0.020)
    f = results.figures("inquire-queue", 1000, far)
    faster = statistics.median(f["ratios"])
    lines.append(f"- Through the agent at least 50 times faster than directly at rtt 20 ms: "
                 f"**{faster:.0f} times** for 1,000 queues.")
    for workload, n, rtt in HEADLINES:
        link = results.link_with_rtt(rtt)
        a = results.figures(workload, n, link)["agent"]
        lines.append(f"- Within 1.5 times the physical bound ({n:,} queues, "
                     f"{results.label(link)}): **{a['median'] / a['bound']:.2f} times** the bound.")
    f5 = results.figures("inquire-queue", 5000, "")
    d, a = f5["direct"], f5["agent"]
    lines.append(f"- At least 100 times fewer messages: **{d['messages'] / a['messages']:.0f} "
                 f"times** fewer for 5,000 queues ({d['messages']:,.0f} against "
                 f"{a['messages']:.0f}).")
    lines.append(f"- At least 35 % fewer bytes of message data: **{100 * (1 - a['bytes'] / d['bytes']):.0f} %** "
                 f"fewer for 5,000 queues ({size(d['bytes'])} against {size(a['bytes'])}).")
    local = [statistics.median(results.figures(w, n, "")["ratios"])
             for w, _ in LARGE for n in SIZES]
    lines.append(f"- Locally no slower than directly: direct ÷ agent from **{min(local):.1f}** "
                 f"to **{max(local):.1f}** over both large workloads and all sizes "
                 f"(above 1 means the agent was faster).")
    consolidate = memmove_and_consolidation["BM_CompressAndAppend"][0]
    lines.append(f"- Consolidation at least 1 GB/s on one core: **{gbs(consolidate)}**.")
    return "\n".join(lines)


def headline_table(results):
    rows = ["| | Direct | Through the agent | Direct ÷ agent | Messages direct / agent "
            "| Bytes direct / agent | Bound direct / agent |",
            "|---|---|---|---|---|---|---|"]
    for workload, n, rtt in HEADLINES:
        link = results.link_with_rtt(rtt)
        f = results.figures(workload, n, link)
        d, a = f["direct"], f["agent"]
        rows.append(f"| Inquire Queue, {n:,} queues, {results.label(link)} | {timed(d['seconds'])} "
                    f"| {timed(a['seconds'])} | {ratio(f['ratios'])} "
                    f"| {d['messages']:,.0f} / {a['messages']:,.0f} "
                    f"| {size(d['bytes'])} / {size(a['bytes'])} "
                    f"| {seconds(d['bound'])} / {seconds(a['bound'])} |")
    return "\n".join(rows)


def overshoot(results):
    """How far the direct path's time passed its bound at 1,000 queues and
    rtt 20 ms, and the ratio against that bound instead."""
    link = results.link_with_rtt(0.020)
    f = results.figures("inquire-queue", 1000, link)
    d, a = f["direct"], f["agent"]
    per_message = (d["median"] - d["bound"]) / d["messages"]
    return (f"At 1,000 queues and rtt 20 ms the direct path took {seconds(d['median'] - d['bound'])} "
            f"more than its bound, {per_message * 1e6:,.0f} µs per message received: the simulated "
            f"link waits by sleeping, twice per call, and on a loaded machine a sleep ends late. "
            f"That flatters the agent, whose answer needs few calls; against the direct path's "
            f"bound rather than its measured time the agent is "
            f"**{d['bound'] / a['median']:.0f} times** faster.")


def added_cost(results):
    """The agent's added time per small request on the local link."""
    parts = []
    for workload, title in SMALL:
        r = results.get(workload, 1, "")
        if r is None:
            continue
        added = (statistics.median(r["agent"]["latency_us"]) -
                 statistics.median(r["direct"]["latency_us"]))
        parts.append(f"{title} {added:+.0f} µs")
    return ", ".join(parts)


def remote_share(results):
    """How much of a small request the agent's hop is at rtt 20 ms."""
    r = results.get("ping", 1, results.link_with_rtt(0.020))
    d = statistics.median(r["direct"]["latency_us"])
    a = statistics.median(r["agent"]["latency_us"])
    return (f"Ping Queue Manager with one client takes {micro(d)} directly and {micro(a)} "
            f"through the agent, {100 * (a - d) / d:+.1f} %")


def before_and_after(results, path):
    """The figures of a run before the replies grew to IBM MQ's size
    (bench/previous_figures.json) beside this run's, cell by cell."""
    with open(path) as f:
        previous = json.load(f)
    rows = ["| Workload | Queues | Link | Bytes direct / agent, before | Bytes direct / agent, now "
            "| Fewer bytes through the agent, before / now | Direct, before / now "
            "| Through the agent, before / now |",
            "|---|---:|---|---|---|---|---|---|"]
    titles = dict(LARGE)
    for old in previous["cells"]:
        f = results.figures(old["workload"], old["queues"], old["link"])
        if f is None:
            continue
        d, a = f.get("direct"), f["agent"]
        # Where the direct path was left out, its bytes are those it received locally.
        now_d = (d or results.figures(old["workload"], old["queues"], "")["direct"])["bytes"]
        old_d, old_a = old["bytes"]
        direct_before = seconds(old["direct_seconds"]) if old["direct_seconds"] else "left out"
        direct_now = f"**{seconds(d['median'])}**" if d else "left out"
        rows.append(f"| {titles[old['workload']].split(',')[0]} | {old['queues']:,} "
                    f"| {results.label(old['link'])} | {size(old_d)} / {size(old_a)} "
                    f"| {size(now_d)} / {size(a['bytes'])} "
                    f"| {100 * (1 - old_a / old_d):.0f} % / **{100 * (1 - a['bytes'] / now_d):.0f} %** "
                    f"| {direct_before} / {direct_now} "
                    f"| {seconds(old['agent_seconds'])} / **{seconds(a['median'])}** |")
    return previous["about"], "\n".join(rows)


def main():
    ap = argparse.ArgumentParser(description=__doc__)
    ap.add_argument("--results", required=True)
    ap.add_argument("--consolidation", required=True)
    ap.add_argument("--load-before", required=True)
    ap.add_argument("--load-after", required=True)
    ap.add_argument("--elapsed", type=int, required=True)
    ap.add_argument("--plot-data", required=True)
    ap.add_argument("--out", required=True)
    ap.add_argument("--previous", help="figures of an earlier run to show beside this one's")
    ap.add_argument("--bulk", help="the section that bench/bulk_bench.py wrote")
    args = ap.parse_args()

    results = Results(args.results)
    cons, context = consolidation(args.consolidation)
    plot_data(results, args.plot_data)
    memmove = cons["BM_Memmove"]
    consolidate = cons["BM_CompressAndAppend"]
    read_back = cons["BM_ReadBack"]
    f5 = results.figures("inquire-queue", 5000, "")

    before = ""
    if args.previous:
        about, table = before_and_after(results, args.previous)
        before = BEFORE_TEMPLATE.format(about=about, table=table)
    bulk = ""
    if args.bulk:
        with open(args.bulk) as f:
            bulk = "\n" + f.read()
    page = TEMPLATE.format(
        headline=headline_table(results),
        bulk=bulk,
        before=before,
        overshoot=overshoot(results),
        goals=goals(results, cons),
        minutes=args.elapsed / 60,
        machine=machine(),
        load_before=args.load_before,
        load_after=args.load_after,
        inquire=large_table(results, "inquire-queue"),
        escape=large_table(results, "escape"),
        small=small_table(results),
        added=added_cost(results),
        remote=remote_share(results),
        replies=f"{int(context.get('replies', 0)):,}",
        reply_bytes=size(float(context.get("reply_bytes", 0))),
        consolidate=f"**{gbs(consolidate[0])}** ({gbs(consolidate[1])}–{gbs(consolidate[2])})",
        memmove=f"**{gbs(memmove[0])}** ({gbs(memmove[1])}–{gbs(memmove[2])})",
        read_back=f"**{gbs(read_back[0])}** ({gbs(read_back[1])}–{gbs(read_back[2])})",
        replies5000=f"{f5['direct']['messages']:,.0f}",
    )
    page += kept_speed_section(args.out)
    with open(args.out, "w") as f:
        f.write(page)


# The section of the page that scripts/bench-speed's figures fill: kept as
# it stands when this report writes the rest anew.
SPEED_HEADING = "## Per request: the stand-in and the agent"


def kept_speed_section(path):
    try:
        with open(path) as f:
            text = f.read()
    except OSError:
        return ""
    start = text.find(SPEED_HEADING)
    return "" if start < 0 else "\n" + text[start:]


BEFORE_TEMPLATE = """
## At IBM MQ's size

The stand-in reports every attribute that IBM MQ 9.4 reports, many of them
blank-padded character fields, so that its replies are as large and as
padded as IBM MQ's: a local queue's Inquire Queue reply holds 61 parameters,
about 1,720 bytes, where it held 26, 772 bytes. The same cells before and
now, medians of each run. {about}

{table}
"""

TEMPLATE = """# Performance

What the agent buys a remote administration client, measured side by side:
the same requests asked of IBM MQ's command server directly and through the
agent, over a local link and two simulated network links. The figures below
are from one run of

    scripts/bench

on the machine described under [Setup](#setup); that run took
{minutes:.1f} minutes. It needs what `scripts/test` installs, and installs
gnuplot itself when it is missing.

![Time of one answer against the number of queues](performance.png)

## The headline

{headline}

{overshoot}

Against the goals we set ourselves (measured, not asserted):

{goals}
{bulk}{before}
## Setup

- **Machine:** {machine}. Load average (1, 5, 15 minutes) before the run
  {load_before}, after it {load_after}. The machine is shared: medians are
  quoted, with the lowest and highest of the runs beside them.
- **Queue manager:** the repository's IBM MQ stand-in (`emulator/`), one
  queue manager with its command server, 100, 1,000 or 5,000 local queues
  `BENCH.Q.nnnnn` of default attributes (defined with PCF Create Queue) and
  its own few queues besides. Default MaxMsgLength, 4 MiB.
- **Agent:** `csagnt` beside the queue manager on the server bindings
  (`libmqm_r.so`, never shaped), with its default settings (`compress` and
  `coalesce` on, `maxmsgsize` 1 MiB) but one: `replyq CSAGNT.BENCH.MODEL`.
- **Reply queues hold the whole answer.** The default model queue, IBM
  MQ's and the stand-in's alike, has MAXDEPTH 5000, so a reply queue made
  from it overflows on the {replies5000} replies about 5,000 queues and the
  last replies go to the dead-letter queue. The benchmark defines the model
  queue `CSAGNT.BENCH.MODEL` with MAXDEPTH 100000, and both the clients'
  reply queues and the agent's own reply queue are made from it.
- **Client:** `build/bin/admin_bench`, an administration client written
  against IBM's `cmqc.h` and linked with the stand-in's client library
  `libmqic_r.so`. It keeps the command server's queue and the agent's input
  queue open, puts each request and gets the answer with one MQGET per
  message (matching CorrelId), as a client over the network does. The time
  of an answer runs from the MQPUT of the request to the MQGET of its last
  message.
- **Links:** `MQEMU_LINK` in the client's environment. Each MQI call that
  reaches the queue manager pays, for its request and for its response
  frame, half the round trip and its bytes at the rate, in order, as on one
  TCP connection.
- **Runs:** each cell is 5 measured runs after a warm-up, direct and through
  the agent in turn (direct, agent, direct, agent, ...); the ratio is taken
  pair by pair within the run. Small requests: 500 requests per client and
  run locally, 100 at 1 ms, 20 at 20 ms; with 8 clients, 8 threads each
  with its own connection and reply queue, asking one request after another.
- **Every run is checked.** After each pair the agent's answer is split back
  into the standard responses by the reader of coalesced replies
  (`pcf/coalesced_reader.h`) and compared with the command server's answer
  of the same run, response for response and parameter for parameter, apart
  from the trailing blanks that the agent trims (`pcf/response_diff.h`);
  every one of the benchmark's queues must be reported once. A wrong answer
  stops the benchmark. Where the direct path is left out, the agent's answer
  is checked for the queues alone.
- **Physical bound** of a cell: (messages received × rtt) + (bytes received ÷
  rate) + the command server's own time, taken as the median time of the
  same request and queues on the local link by the quicker of the two paths
  (the direct path's local time also holds one local MQGET per reply). The
  request's own put, one more round trip, is not counted in it.

## Inquire Queue of all attributes

{inquire}

The direct path of 5,000 queues at rtt 20 ms is left out: one run alone
takes 5,005 round trips of 20 ms, about 100 seconds, and 5 of them would not
fit the benchmark's time; its bound is given, and the figure at 1,000 queues
is measured.

The bound leaves out the request's own put, one more round trip. Where the
agent's answer is a single message and the link is slow (100 queues at rtt
20 ms, both workloads) that round trip alone puts the agent above 1.5 times
its bound: the bound plus 20 ms is what the agent took.

## Escape "DISPLAY QLOCAL(*) ALL"

{escape}

## Small requests

{small}

Latency is the median time of one request (put and answer) over all
requests of all clients in a run, then the median (lowest–highest) over the
runs. **On the local link the agent is slower for a small request**: it
adds a hop to every request, its own get and forward of the request and get
and put of the reply ({added} per request with one client). With 8 clients
at once the agent, which takes requests and replies on one thread, also
limits the throughput. Over a network the hop weighs little against the
round trips: at rtt 20 ms {remote}.

## Consolidation

`build/bin/consolidation_bench` (Google Benchmark, 5 repetitions) runs what
the agent does with each reply of one request, `CompressPcf` then
`AppendPcfReply` (a held message counted as delivered when the next reply
would pass `maxmsgsize`, 1 MiB), over the stand-in's own {replies} replies to
Inquire Queue of all attributes for 5,000 queues ({reply_bytes}), recorded
from a running stand-in when the benchmark starts. The figure is bytes per
second of the replies as received, on one core:

| | Median (lowest–highest of 5) |
|---|---|
| `CompressPcf` + `AppendPcfReply` | {consolidate} |
| `memmove` of the same replies, reply by reply, into a 1 MiB buffer | {memmove} |
| The client reading the agent's messages back (`SplitCoalescedPcf`) | {read_back} |

The replies are restored before each pass outside the timing, since
compression works in place; the memmove runs on the same bytes in the same
process.
"""

if __name__ == "__main__":
    main()
