#!/usr/bin/env bash
# The stand-in's home as an unlucky operator or another local user meets it:
# homes that are not the user's own, a symbolic link planted for the log,
# several starts of one queue manager at once, a home too deep for a
# socket, and a disk that takes no more. Argument: the mqemu tool.
set -uo pipefail
tool=$1
base=$(mktemp -d /tmp/mqemu-home-XXXXXX)
export MQEMU_HOME=$base/home
mkdir -m 0700 "$MQEMU_HOME"
# At the end every daemon started here goes, whichever home it took.
cleanup() {
  local pid
  for q in QM1 QM2; do "$tool" stop $q --immediate >/dev/null 2>&1; done
  for pid in $(cat "$base"/*/*.pid 2>/dev/null); do kill "$pid" 2>/dev/null; done
  rm -rf "$base"
}
trap cleanup EXIT
failures=0
fail() {
  echo "FAILED: $*"
  failures=$((failures + 1))
}
# expect STATUS PATTERN -- ARGS...: runs the tool, checks status and output.
expect() {
  local status=$1 pattern=$2
  shift 3
  local out rc
  out=$("$tool" "$@" 2>&1)
  rc=$?
  if [[ $rc -ne $status ]] || ! grep -zqE -- "$pattern" <<<"$out"; then
    fail "mqemu $* (status $rc, wanted $status, pattern '$pattern')"
    echo "$out" | sed 's/^/    /'
  fi
}
# daemons QMGR: how many daemons of QMGR run with this home.
daemons() {
  local n=0 p args
  for p in /proc/[0-9]*; do
    { mapfile -d '' -t args <"$p/cmdline"; } 2>/dev/null || continue
    [[ ${args[0]:-} == *mqemu-qmgr && ${args[1]:-} == "$1" ]] || continue
    grep -qzx "MQEMU_HOME=$MQEMU_HOME" "$p/environ" 2>/dev/null && n=$((n + 1))
  done
  echo $n
}

# A home that others may enter is refused, by every subcommand.
(
  export MQEMU_HOME=$base/open
  mkdir -m 0777 "$MQEMU_HOME"
  chmod 0777 "$MQEMU_HOME"
  expect 1 "home $MQEMU_HOME is open to other users \(mode 0777\)" -- start QM1
  expect 1 "open to other users" -- show QM1
  [[ -e $MQEMU_HOME/QM1.sock || $(daemons QM1) -ne 0 ]] && fail "a daemon started in an open home"
  exit $failures
) || failures=$((failures + $?))

# A home that belongs to another user is refused (only root can make one).
if [[ $(id -u) -eq 0 ]]; then
  (
    export MQEMU_HOME=$base/theirs
    mkdir -m 0700 "$MQEMU_HOME"
    chown 65534 "$MQEMU_HOME"
    expect 1 "home $MQEMU_HOME belongs to user 65534, not to user 0" -- start QM1
    exit $failures
  ) || failures=$((failures + $?))
else
  echo "skipped: a home of another user (needs root to make one)"
fi

# A symbolic link in the place of the log is not followed.
echo "precious" >"$base/victim"
ln -s "$base/victim" "$MQEMU_HOME/QM1.log"
expect 1 "cannot open $MQEMU_HOME/QM1.log: Too many levels of symbolic links" -- start QM1
[[ $(cat "$base/victim") == precious ]] || fail "the log's symbolic link was followed"
[[ $(daemons QM1) -eq 0 ]] || fail "a daemon started beside a planted log link"
rm "$MQEMU_HOME/QM1.log"

# Several starts at once: one daemon, which stop ends.
for i in 1 2 3 4 5 6; do
  "$tool" start QM1 --default >"$base/start.$i" 2>&1 &
done
wait
started=$(cat "$base"/start.* | grep -c "^queue manager QM1 started")
[[ $started -eq 1 ]] || fail "$started of six simultaneous starts succeeded"
# Each start that lost says why in its own words, not with a line of the
# shared log that the winner wrote.
for f in "$base"/start.*; do
  grep -q "^queue manager QM1 started" "$f" && continue
  grep -q "already running" "$f" && ! grep -q "started (pid" "$f" ||
    fail "a lost start said: $(cat "$f")"
done
[[ $(daemons QM1) -eq 1 ]] || fail "$(daemons QM1) daemons of QM1 run"
expect 0 "queue manager QM1 ended" -- stop QM1
[[ $(daemons QM1) -eq 0 ]] || fail "$(daemons QM1) daemons of QM1 still run after stop"

# A home too deep for a socket's path is refused in so many words.
deep=$base/$(printf 'd%.0s' {1..90})
mkdir -m 0700 "$deep"
MQEMU_HOME=$deep expect 1 "too deep for a socket.*at most 107 fit" -- start QM1
[[ $(MQEMU_HOME=$deep daemons QM1) -eq 0 ]] || fail "a daemon runs in a home too deep"

# A disk that takes no more: the start fails and the default file stays.
expect 0 "started" -- start QM1 --default
out=$(
  trap '' XFSZ
  ulimit -f 0
  "$tool" start QM2 --default 2>&1
)
rc=$?
[[ $rc -eq 1 ]] || fail "start on a full disk: status $rc, wanted 1 ($out)"
[[ $(cat "$MQEMU_HOME/default") == QM1 ]] || fail "the default file changed: '$(cat "$MQEMU_HOME/default")'"
[[ $(daemons QM2) -eq 0 ]] || fail "a daemon of QM2 runs after its start failed"
expect 1 "not running" -- show QM2
ls "$MQEMU_HOME" | grep -q '\.new' && fail "a half-written file was left: $(ls "$MQEMU_HOME")"
expect 0 "ended" -- stop QM1

if ((failures)); then
  echo "$failures failure(s)"
  exit 1
fi
echo "all home checks passed"
