#!/usr/bin/env python3
"""Bulk administration at a distance, through the agent and directly.

Stand-in queue managers with agents beside them (server bindings); csagnt-query
as a remote administrator on the stand-in's client library over a simulated
link (MQEMU_LINK, default rtt 20 ms at 100 Mbit/s). Three workloads, each
asked through the agent (requests all put at once, as asynchronous puts) and
directly, runmqsc-style (--direct --serial: one command and its replies at a
time), in turn within one run:

  dump    csagnt-query --dump of a queue manager with 5,000 local queues
  script  a script of 500 MQSC commands (DEFINE QLOCAL ... REPLACE)
  estate  one DISPLAY QLOCAL(BENCH.*) CURDEPTH MAXDEPTH of 20 queue managers
          with 1,000 queues each, through a gateway queue manager

Each pair's outputs are compared (apart from the dump's heading, which names
the time) and a difference stops the benchmark. Prints a Markdown table of
the median, lowest and highest time of each path and the ratio, as the
section of docs/performance.md that scripts/bench includes.

Usage: bench/bulk_bench.py [--build build] [--runs 3] [--direct-runs 1]
"""
import argparse
import os
import re
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

MODEL = "CSAGNT.BENCH.MODEL"


def run(args, env=None, stdin=None, check=True):
    done = subprocess.run(args, env=env, stdin=stdin, capture_output=True, text=True)
    if check and done.returncode != 0:
        sys.exit(f"{' '.join(args)}: exit {done.returncode}\n{done.stdout[-2000:]}{done.stderr}")
    return done


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--build", default="build")
    parser.add_argument("--link", default="rtt=20ms,rate=100mbit")
    parser.add_argument("--runs", type=int, default=3, help="measured runs through the agent")
    parser.add_argument("--direct-runs", type=int, default=1, help="measured runs directly")
    parser.add_argument("--dump-queues", type=int, default=5000)
    parser.add_argument("--commands", type=int, default=500)
    parser.add_argument("--qmgrs", type=int, default=20)
    parser.add_argument("--qmgr-queues", type=int, default=1000)
    parser.add_argument("--only", help="one workload: dump, script or estate")
    args = parser.parse_args()

    build = os.path.realpath(args.build)
    bin_dir, lib_dir = os.path.join(build, "bin"), os.path.join(build, "lib")
    mqemu = os.path.join(bin_dir, "mqemu")
    work = tempfile.mkdtemp(prefix="csagnt-bulk-bench.")
    home = os.path.join(work, "mqemu")
    os.mkdir(home, 0o700)
    env = dict(os.environ, MQEMU_HOME=home)
    env.pop("MQEMU_LINK", None)
    gateway = "BQ0"
    estate = [f"BQ{i}" for i in range(1, args.qmgrs + 1)]
    started, agents = [], []
    definitions = open(os.path.join(os.path.dirname(__file__), "..", "packaging",
                                    "csagnt.mqsc")).read()

    def start(qmgr, queues, prefix):
        run([mqemu, "start", qmgr], env)
        started.append(qmgr)
        lines = [definitions, f"DEFINE QMODEL({MODEL}) MAXDEPTH(100000) REPLACE"]
        lines += [f"DEFINE QLOCAL({prefix}.{i:05d}) MAXDEPTH({1000 + i}) DESCR('queue {i}')"
                  for i in range(1, queues + 1)]
        done = subprocess.run([mqemu, "mqsc", qmgr], env=env, input="\n".join(lines) + "\n",
                              capture_output=True, text=True)
        if done.returncode != 0:
            sys.exit(f"defining on {qmgr} failed:\n{done.stdout[-2000:]}")
        config = os.path.join(work, f"{qmgr}.cfg")
        os.makedirs(os.path.join(work, qmgr), exist_ok=True)
        with open(config, "w") as f:
            f.write(f'logpath "{os.path.join(work, qmgr)}"\nreplyq {MODEL}\n')
        agents.append(subprocess.Popen(
            [os.path.join(bin_dir, "csagnt"), "-k", "-m", qmgr, "-f", config],
            env=dict(env, MQM_DLL_PATH=lib_dir), stdout=subprocess.DEVNULL,
            stderr=subprocess.DEVNULL))

    query_env = dict(env, MQIC_DLL_PATH=lib_dir, MQEMU_LINK=args.link)

    def query(*words):
        return [os.path.join(bin_dir, "csagnt-query"), "--client", "--reply-model", MODEL,
                "--wait", "3600", *words]

    rows = []
    began = time.monotonic()
    try:
        workloads = []
        if args.only in (None, "dump", "script"):
            start(gateway, args.dump_queues, "BENCH.Q")
        if args.only in (None, "estate"):
            if gateway not in started:
                start(gateway, 0, "BENCH.Q")
            for qmgr in estate:
                start(qmgr, args.qmgr_queues, "BENCH." + qmgr)
        time.sleep(2)  # the agents open their queues
        if args.only in (None, "dump"):
            workloads.append((f"Dump of {args.dump_queues:,} queues (`--dump`)",
                              ["-m", gateway, "--dump"], True))
        if args.only in (None, "script"):
            script = os.path.join(work, "script.mqsc")
            with open(script, "w") as f:
                for i in range(1, args.commands + 1):
                    f.write(f"DEFINE QLOCAL(SCRIPT.Q.{i:04d}) +\n   MAXDEPTH({i}) REPLACE\n")
            workloads.append((f"Script of {args.commands} MQSC commands (`--file`)",
                              ["-m", gateway, "--file", script], False))
        if args.only in (None, "estate"):
            workloads.append((f"{args.qmgrs} queue managers × {args.qmgr_queues:,} queues, "
                              "`DISPLAY QLOCAL(BENCH.*) CURDEPTH MAXDEPTH`",
                              ["--gateway", gateway, "-m", ",".join(estate),
                               "DISPLAY QLOCAL(BENCH.*) CURDEPTH MAXDEPTH"], False))

        for label, words, is_dump in workloads:
            print(f"== {label}", file=sys.stderr, flush=True)
            agent_times, direct_times = [], []
            agent_cmd, direct_cmd = query(*words), query("--direct", "--serial", *words)
            run(agent_cmd, query_env)  # warm-up
            for n in range(max(args.runs, args.direct_runs)):
                outputs = {}
                for name, cmd, times, count in (("agent", agent_cmd, agent_times, args.runs),
                                                ("direct", direct_cmd, direct_times,
                                                 args.direct_runs)):
                    if n >= count:
                        continue
                    begin = time.monotonic()
                    done = run(cmd, query_env)
                    times.append(time.monotonic() - begin)
                    text = done.stdout
                    outputs[name] = text.split("\n", 2)[2] if is_dump else text
                    print(f"   {name} {times[-1]:.2f} s", file=sys.stderr, flush=True)
                if len(outputs) == 2 and outputs["agent"] != outputs["direct"]:
                    sys.exit(f"{label}: the answers differ through the agent and directly")
            rows.append((label, direct_times, agent_times))
    finally:
        for agent in agents:
            agent.terminate()
        for agent in agents:
            agent.wait()
        for qmgr in started:
            subprocess.run([mqemu, "stop", qmgr, "--immediate"], env=env, capture_output=True)
        shutil.rmtree(work, ignore_errors=True)

    def seconds(t):
        return f"{t * 1000:.0f} ms" if t < 1 else f"{t:.2f} s"

    def cell(times):
        return (f"**{seconds(statistics.median(times))}** "
                f"({seconds(min(times))}–{seconds(max(times))}, {len(times)} run{'s' if len(times) > 1 else ''})")

    link = re.sub(r"rtt=([0-9.]+)(u?s|ms)", r"rtt \1 \2", args.link)
    link = re.sub(r"rate=([0-9.]+)([kmg])bit",
                  lambda m: f"{m[1]} {m[2].upper()}bit/s", link).replace(",", ", ")
    print(SECTION.format(link=link,
                         runs=args.runs, direct_runs=args.direct_runs,
                         minutes=(time.monotonic() - began) / 60))
    print("| Workload | Direct, runmqsc-style | Through the agent | Direct ÷ agent (medians) |")
    print("|---|---|---|---|")
    for label, direct_times, agent_times in rows:
        ratio = statistics.median(direct_times) / statistics.median(agent_times)
        print(f"| {label} | {cell(direct_times)} | {cell(agent_times)} "
              f"| **{ratio:.{0 if ratio >= 10 else 1}f}×** |")


SECTION = """## Bulk administration

`csagnt-query`'s dumps, scripts and estates of queue managers as a remote
administrator runs them, over a link of {link}, by `bench/bulk_bench.py`
({minutes:.1f} minutes): directly as `runmqsc` works (`--direct --serial`: one
command at a time, each reply got with its own MQGET) and through the agent
(`csagnt-query` as it runs by default: every request put at once with
MQPMO_ASYNC_RESPONSE, the answers taken as the queue manager pushes them,
replies coalesced by the agent). The dump is of a queue manager with 5,000
local queues (one DISPLAY ... ALL per object type; the output equal both
ways but for the heading's time); the script 500 `DEFINE QLOCAL(...) REPLACE`
commands, each with '+' continuation; the estate 20 stand-in queue managers
with 1,000 queues each, asked through a gateway queue manager by name, each
with its own agent. Every pair's output is compared and must be equal.
{runs} runs through the agent, {direct_runs} directly (a direct run of the
estate alone takes 20,000 round trips, seven minutes). The stand-in hands an
asynchronous put to its queue manager at once, up to half a round trip
earlier than a network would, and the direct path's times hold the simulated
link's late wake-ups on a loaded machine: both flatter the agent a little.
"""


if __name__ == "__main__":
    main()
