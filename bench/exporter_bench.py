#!/usr/bin/env python3
"""Collection time of csagnt-exporter through the agent against directly.

One stand-in queue manager with N local queues (100, 1,000, 5,000) and the
agent beside it on the server bindings; two csagnt-exporter processes on the
stand-in's client library over a simulated link (MQEMU_LINK), one asking
through the agent, one asking the command server directly, both with the
same queue manager and the same deep reply model queue. Each run scrapes
/metrics of one and then the other; the figure of a run is the exporter's
own csagnt_exporter_collection_duration_seconds, and the messages and bytes
it received in that collection. Every scrape is checked: the queue manager
was reached and every benchmark queue reported.

Prints a Markdown table (median, lowest-highest of the runs) and writes the
chart's data; run by scripts/bench-exporter, which draws the chart.

Usage: exporter_bench.py BUILD_DIR WORK_DIR PLOT_DATA [--runs N]
"""
import argparse
import os
import re
import signal
import socket
import statistics
import subprocess
import sys
import time
import urllib.request

QMGR = "QMEXP"
LINKS = [("rtt=1ms,rate=1gbit", "rtt 1 ms, 1 Gbit/s"), ("rtt=20ms,rate=100mbit", "rtt 20 ms, 100 Mbit/s")]
# Direct runs of 5,000 queues at 20 ms take about 200 s each (two answers of
# 5,000 messages, a round trip each): one run only.
SLOW_CELL = (5000, "rtt=20ms,rate=100mbit")


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def metric(text, name):
    m = re.search(r"^%s\{[^}]*\} (\S+)$" % re.escape(name), text, re.M)
    return float(m.group(1)) if m else None


class Exporter:
    def __init__(self, build, work, name, direct, link):
        self.port = free_port()
        config = os.path.join(work, name + ".yml")
        with open(config, "w") as f:
            f.write("timeout: 600s\nqueue_managers:\n  - name: %s\n" % QMGR)
            f.write("    channel: SYSTEM.DEF.SVRCONN\n    conname: localhost(1414)\n")
            f.write("    reply_model: CSAGNT.BENCH.MODEL\n    include: [BENCH.*]\n")
            if direct:
                f.write("    direct: true\n")
        env = dict(os.environ, MQIC_DLL_PATH=os.path.join(build, "lib"), MQEMU_LINK=link)
        self.log = open(os.path.join(work, name + ".log"), "w")
        self.process = subprocess.Popen(
            [os.path.join(build, "bin", "csagnt-exporter"), "--config.file", config,
             "--web.listen-address", "127.0.0.1:%d" % self.port],
            env=env, stdout=self.log, stderr=subprocess.STDOUT)
        for _ in range(100):
            try:
                socket.create_connection(("127.0.0.1", self.port), 0.1).close()
                break
            except OSError:
                time.sleep(0.1)
        self.messages = self.bytes = 0.0

    def scrape(self, queues):
        text = urllib.request.urlopen("http://127.0.0.1:%d/metrics" % self.port,
                                      timeout=900).read().decode()
        if metric(text, "csagnt_exporter_qmgr_reached") != 1:
            sys.exit("not reached: see the exporter's log")
        reported = len(re.findall(r'^ibmmq_queue_depth\{qmgr="%s",queue="BENCH\.' % QMGR, text, re.M))
        if reported != queues:
            sys.exit("%d of %d queues reported" % (reported, queues))
        messages = metric(text, "csagnt_exporter_messages_received_total")
        nbytes = metric(text, "csagnt_exporter_bytes_received_total")
        figure = (metric(text, "csagnt_exporter_collection_duration_seconds"),
                  messages - self.messages, nbytes - self.bytes)
        self.messages, self.bytes = messages, nbytes
        return figure

    def stop(self):
        self.process.send_signal(signal.SIGTERM)
        self.process.wait(timeout=900)
        self.log.close()


def seconds_text(s):
    return "%.2f s" % s if s >= 1 else "%.1f ms" % (s * 1000)


def cell_text(values):
    if not values:
        return "left out"
    med = statistics.median(values)
    if len(values) == 1:
        return "**%s** (one run)" % seconds_text(med)
    return "**%s** (%s–%s)" % (seconds_text(med), seconds_text(min(values)), seconds_text(max(values)))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("build")
    parser.add_argument("work")
    parser.add_argument("plot_data")
    parser.add_argument("--runs", type=int, default=3)
    parser.add_argument("--slow-runs", type=int, default=1)
    parser.add_argument("--sizes", default="100,1000,5000", help="queue counts, comma-separated")
    args = parser.parse_args()
    bin_dir = os.path.join(args.build, "bin")
    rows = []
    plot = []
    for queues in [int(n) for n in args.sizes.split(",")]:
        subprocess.run([os.path.join(bin_dir, "admin_bench"), "define", QMGR, "--queues", str(queues)],
                       check=True)
        for link, link_text in LINKS:
            runs = args.slow_runs if (queues, link) == SLOW_CELL else args.runs
            print("== %d queues, %s, %d runs" % (queues, link_text, runs), file=sys.stderr, flush=True)
            exporters = {"direct": Exporter(args.build, args.work, "direct", True, link),
                         "agent": Exporter(args.build, args.work, "agent", False, link)}
            figures = {"direct": [], "agent": []}
            try:
                # A warm-up scrape each: connections made, queues looked up.
                for name in ("direct", "agent"):
                    if name == "agent" or (queues, link) != SLOW_CELL:
                        exporters[name].scrape(queues)
                for run in range(args.runs):
                    for name in ("direct", "agent"):
                        if name == "direct" and run >= runs:
                            continue
                        figures[name].append(exporters[name].scrape(queues))
                        print("   run %d %s: %.3f s, %d messages" %
                              (run, name, figures[name][-1][0], figures[name][-1][1]),
                              file=sys.stderr, flush=True)
            finally:
                for e in exporters.values():
                    e.stop()
            direct = [f[0] for f in figures["direct"]]
            agent = [f[0] for f in figures["agent"]]
            ratio = statistics.median(direct) / statistics.median(agent)
            rows.append("| %s | %s | %s | %s | **%.0f×** | %s / %s | %.2f MB / %.2f MB |" % (
                "{:,}".format(queues), link_text, cell_text(direct), cell_text(agent), ratio,
                "{:,.0f}".format(figures["direct"][0][1]), "{:,.0f}".format(figures["agent"][0][1]),
                figures["direct"][0][2] / 1e6, figures["agent"][0][2] / 1e6))
            plot.append((link, "%d %g %g" % (queues, statistics.median(direct),
                                             statistics.median(agent))))
    print("| Queues | Link | Direct | Through the agent | Direct ÷ agent | Messages direct / agent | Bytes direct / agent |")
    print("|---:|---|---|---|---|---|---|")
    for row in rows:
        print(row)
    # One block a link, in LINKS' order (gnuplot's index 0, 1, ...).
    with open(args.plot_data, "w") as f:
        for link, _ in LINKS:
            f.write("# %s: queues direct_s agent_s\n" % link)
            f.write("\n".join(line for l, line in plot if l == link) + "\n\n\n")


if __name__ == "__main__":
    main()
