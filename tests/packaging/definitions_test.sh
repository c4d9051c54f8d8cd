#!/usr/bin/env bash
# The files an administrator installs with the agent, used as the README
# says: csagnt.mqsc run on a (stand-in) queue manager defines what the agent
# needs; the agent runs with the sample configuration (its logpath pointed
# here) and answers csagnt-query through the deep reply model queue.
#   definitions_test.sh BUILD_DIR PACKAGING_DIR
set -uo pipefail
build=$1
packaging=$2
work=$(mktemp -d)
export MQEMU_HOME=$work/home
mkdir -m 700 "$MQEMU_HOME"
agent=""
cleanup() {
  [ -n "$agent" ] && kill -TERM "$agent" 2>/dev/null && wait "$agent"
  "$build/bin/mqemu" stop QMDEF --immediate >/dev/null 2>&1
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*"; exit 1; }

"$build/bin/mqemu" start QMDEF >/dev/null || fail "mqemu start"
"$build/bin/mqemu" mqsc QMDEF <"$packaging/csagnt.mqsc" >"$work/mqsc.log" ||
  { cat "$work/mqsc.log"; fail "csagnt.mqsc did not run cleanly"; }
grep -q "No commands have a syntax error" "$work/mqsc.log" || fail "syntax errors"
# Run again: REPLACE makes it safe.
"$build/bin/mqemu" mqsc QMDEF <"$packaging/csagnt.mqsc" >/dev/null || fail "second run"
shown=$("$build/bin/mqemu" show QMDEF)
grep -q "^TOVAN.CSAGNT.COMMAND.QUEUE .*trigger=1 initq=CSAGNT.INITQ process=CSAGNT.PROCESS" \
  <<<"$shown" || fail "input queue: $shown"
grep -q "^CSAGNT.REPLY.MODEL .*type=model.*maxdepth=999999999" <<<"$shown" || fail "model: $shown"
grep -q "^CSAGNT.PROCESS .*applicid=\"/usr/bin/csagnt\"" <<<"$shown" || fail "process: $shown"

grep -q '^replyq CSAGNT.REPLY.MODEL$' "$packaging/csagnt.cfg" || fail "sample replyq"
sed "s|^logpath .*|logpath \"$work\"|" "$packaging/csagnt.cfg" >"$work/QMDEF.cfg"
MQM_DLL_PATH=$build/lib "$build/bin/csagnt" -k -m QMDEF -f "$work/QMDEF.cfg" >"$work/agent.out" 2>&1 &
agent=$!
for ((i = 0; i < 200; i++)); do
  grep -q CSAG004I "$work/CSAGNT_Log01.txt" 2>/dev/null && break
  kill -0 "$agent" 2>/dev/null || { cat "$work/agent.out"; fail "the agent ended"; }
  sleep 0.1
done
grep -q "CSAG005I.*replyq" "$work/CSAGNT_Log01.txt" || { cat "$work/CSAGNT_Log01.txt"; fail "replyq not taken"; }
answer=$(MQM_DLL_PATH=$build/lib "$build/bin/csagnt-query" -m QMDEF --json --pcf INQUIRE_Q_MGR) ||
  fail "csagnt-query: $answer"
jq -e '.responses[0].agent.CSAGNT_COMMAND_LEVEL == 930' <<<"$answer" >/dev/null || fail "$answer"
echo "definitions checks passed"
