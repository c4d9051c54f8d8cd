#!/usr/bin/env bash
# The mqemu tool's subcommands, as a user runs them. Argument: the tool.
set -uo pipefail
tool=$1
export MQEMU_HOME=$(mktemp -d /tmp/mqemu-tool-XXXXXX)
trap '"$tool" stop QM1 --immediate >/dev/null 2>&1; "$tool" stop QM2 --immediate >/dev/null 2>&1; rm -rf "$MQEMU_HOME"' EXIT
failures=0
# expect STATUS PATTERN -- ARGS...: runs the tool, checks status and output.
expect() {
  local status=$1 pattern=$2
  shift 3
  local out rc
  out=$("$tool" "$@" 2>&1)
  rc=$?
  if [[ $rc -ne $status ]] || ! grep -zqE -- "$pattern" <<<"$out"; then
    echo "FAILED: mqemu $* (status $rc, wanted $status, pattern '$pattern')"
    echo "$out" | sed 's/^/    /'
    failures=$((failures + 1))
  fi
}

for sub in start stop define delete show put get pcf fault; do
  expect 0 "usage: mqemu $sub" -- "$sub" --help
done
expect 2 "unknown subcommand" -- frobnicate
expect 1 "not running" -- show QM1
expect 0 "started" -- start QM1 --default
expect 1 "already running" -- start QM1
expect 0 "defined" -- define QM1 APP.Q --maxmsglen 2000 --maxdepth 10 --description "the app queue"
expect 1 "reason 4001" -- define QM1 APP.Q
expect 0 "defined" -- define QM1 APP.MODEL --model
expect 0 "maxmsglen=2000 maxdepth=10 depth=0.*description=\"the app queue\"" -- show QM1 APP.Q
expect 0 "SYSTEM.DEFAULT.MODEL.QUEUE +type=model" -- show QM1
expect 0 "put 5 bytes" -- put QM1 APP.Q hello --replytoq REPLY.Q --correlid 0A0B
expect 0 "depth=1" -- show QM1 APP.Q
expect 0 "ReplyToQMgr: +'QM1'" -- get QM1 APP.Q
expect 1 "no message" -- get QM1 APP.Q --wait 0.1
printf 'from stdin' | "$tool" put QM1 APP.Q >/dev/null
expect 0 "from stdin" -- get QM1 APP.Q
expect 0 "Q_NAME \(2016\) = \"APP.Q\"" -- pcf QM1 INQUIRE_Q Q_NAME=APP.Q Q_ATTRS=ALL
expect 0 "1 message\(s\), [0-9]+ bytes received" -- pcf QM1 PING_Q_MGR
expect 0 "CompCode=2 Reason=2085" -- pcf QM1 INQUIRE_Q Q_NAME=NONE.SUCH
expect 0 "Q_NAMES \(3011\) = .*\"APP.Q\"" -- pcf QM1 INQUIRE_Q_NAMES Q_NAME='*'
expect 2 "cannot use parameter" -- pcf QM1 INQUIRE_Q bogus
# A coalesced reply as the agent delivers it: two replies joined by the
# response delimiter, with the agent's information parameters.
python3 - "$MQEMU_HOME/coalesced.bin" <<'PY'
import struct, sys
def cfst(p, s): return struct.pack("<5i", 4, 20 + len(s), p, 0, len(s)) + s.encode()
body = cfst(2016, "ABCD") + struct.pack("<4i", 3, 16, 40000, 2) + cfst(2016, "BCDE") \
       + struct.pack("<4i", 3, 16, 80000, 930) + struct.pack("<4i", 3, 16, 80001, 6)
hdr = struct.pack("<9i", 2, 36, 1, 13, 2, 0x10001, 0, 0, 5)
open(sys.argv[1], "wb").write(hdr + body)
PY
"$tool" put QM1 APP.Q --file "$MQEMU_HOME/coalesced.bin" --format MQADMIN >/dev/null
expect 0 "response delimiter: reply 2.*CSAGNT_COMMAND_LEVEL \(80000\) = 930.*CSAGNT_FEATURES \(80001\) = 6" -- get QM1 APP.Q
expect 0 "fault put-fail set" -- fault QM1 put-fail APP.Q 1 2051
expect 1 "reason 2051" -- put QM1 APP.Q x
expect 0 "fault inhibit set" -- fault QM1 inhibit APP.Q put
expect 0 "put=inhibited" -- show QM1 APP.Q
expect 0 "faults cleared" -- fault QM1 clear
expect 2 "unknown or incomplete fault" -- fault QM1 nonsense
expect 0 "deleted" -- delete QM1 APP.MODEL
expect 0 "started" -- start QM2 --no-command-server
expect 0 "put 6 bytes" -- put QM1 SYSTEM.DEFAULT.LOCAL.QUEUE remote
expect 0 "ended" -- stop QM2
expect 0 "ended" -- stop QM1
expect 1 "not running" -- show QM1
if ((failures)); then
  echo "$failures failure(s)"
  exit 1
fi
echo "all tool checks passed"
