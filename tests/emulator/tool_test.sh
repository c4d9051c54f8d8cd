#!/usr/bin/env bash
# The mqemu tool's subcommands, as a user runs them. Argument: the tool.
set -uo pipefail
tool=$1
export MQEMU_HOME=$(mktemp -d /tmp/mqemu-tool-XXXXXX)
trap 'for q in QM1 QM2 ZQM1; do "$tool" stop $q --immediate >/dev/null 2>&1; done; rm -rf "$MQEMU_HOME"' EXIT
failures=0
# expect STATUS PATTERN -- ARGS...: runs the tool, checks status and output.
expect() {
  local status=$1 pattern=$2
  shift 3
  local out rc
  out=$("$tool" "$@" 2>&1)
  rc=$?
  last_out=$out
  if [[ $rc -ne $status ]] || ! grep -zqE -- "$pattern" <<<"$out"; then
    echo "FAILED: mqemu $* (status $rc, wanted $status, pattern '$pattern')"
    echo "$out" | sed 's/^/    /'
    failures=$((failures + 1))
  fi
}
# refute PATTERN: the output of the last expect does not match PATTERN.
refute() {
  if grep -zqE -- "$1" <<<"$last_out"; then
    echo "FAILED: the last output matches '$1', which it must not"
    echo "$last_out" | sed 's/^/    /'
    failures=$((failures + 1))
  fi
}

for sub in start stop define delete define-process delete-process show put get pcf trigger-monitor fault; do
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
expect 0 "depth=1 input=0 output=0 puts=1 gets=0 highdepth=1" -- show QM1 APP.Q
expect 0 "ReplyToQMgr: +'QM1'" -- get QM1 APP.Q
expect 1 "no message" -- get QM1 APP.Q --wait 0.1
printf 'from stdin' | "$tool" put QM1 APP.Q >/dev/null
expect 0 "from stdin" -- get QM1 APP.Q
expect 0 "Q_NAME \(2016\) = \"APP.Q\"" -- pcf QM1 INQUIRE_Q Q_NAME=APP.Q Q_ATTRS=ALL
expect 0 "1 message\(s\), [0-9]+ bytes received" -- pcf QM1 PING_Q_MGR
expect 0 "CompCode=2 Reason=2085" -- pcf QM1 INQUIRE_Q Q_NAME=NONE.SUCH
expect 0 "Q_NAMES \(3011\) = .*\"APP.Q\"" -- pcf QM1 INQUIRE_Q_NAMES Q_NAME='*'
expect 2 "cannot use parameter" -- pcf QM1 INQUIRE_Q bogus
# Messages as the agent delivers them (pcf/agent_format.h): a coalesced reply
# of two responses joined by the response delimiter, with the agent's
# information parameters; the same cut short; a coalesced z/OS reply set with
# a group; a single Inquire Queue Manager response with the agent's
# information. Each response is shown apart, the agent's information on a
# line of its own, the delimiters not at all.
python3 - "$MQEMU_HOME" <<'PY'
import struct, sys
def cfst(p, s):
    n = (20 + len(s) + 3) // 4 * 4
    return struct.pack("<5i", 4, n, p, 0, len(s)) + s.encode() + bytes(n - 20 - len(s))
def cfin(p, v): return struct.pack("<4i", 3, 16, p, v)
def cfbs(p, b): return struct.pack("<4i", 9, 16 + len(b), p, len(b)) + b
def cfgr(p, n): return struct.pack("<4i", 20, 16, p, n)
def hdr(type, command, seq, control, count):
    return struct.pack("<9i", type, 36, 1, command, seq, control, 0, 0, count)
def write(name, data): open(sys.argv[1] + "/" + name, "wb").write(data)
coalesced = hdr(2, 13, 2, 0x10001, 5) + cfst(2016, "ABCD") + cfin(40000, 2) + cfst(2016, "BCDE") \
            + cfin(80000, 930) + cfin(80001, 6)
write("coalesced.bin", coalesced)
write("cut.bin", coalesced[:-12])
rid = cfbs(7004, b"R" * 24)
write("zos.bin", hdr(18, 13, 3, 0x10001, 8) + rid + cfst(2016, "A.Q") + cfgr(8000, 2)
      + cfin(3, 5) + cfst(2016, "IN.GROUP") + cfin(40000, 18) + rid + cfst(2016, "B.Q")
      + cfin(40000, 19) + rid)
write("single.bin", hdr(2, 2, 1, 1, 3) + cfst(2015, "QM1") + cfin(80000, 930) + cfin(80001, 6))
# Groups each holding the next, 100 deep: read no deeper than the agent
# reads (10), in a few lines.
write("nested.bin", hdr(2, 40, 1, 1, 1) + cfgr(8000, 1) * 100 + cfin(3, 7))
PY
for f in coalesced cut zos single nested; do
  "$tool" put QM1 APP.Q --file "$MQEMU_HOME/$f.bin" --format MQADMIN >/dev/null
done
expect 0 "Control=65537 \(coalesced: 2 responses\) CompCode=0 Reason=0 ParameterCount=5.\
  response 1: Type=2 \(RESPONSE\) Command=13 \(INQUIRE_Q\) CompCode=0 Reason=0 MsgSeqNumber=1 Control=0 ParameterCount=1.\
    Q_NAME \(2016\) = \"ABCD\".\
  response 2: Type=2 \(RESPONSE\) Command=13 \(INQUIRE_Q\) CompCode=0 Reason=0 MsgSeqNumber=2 Control=1 ParameterCount=1.\
    Q_NAME \(2016\) = \"BCDE\".\
    agent information: CSAGNT_COMMAND_LEVEL \(80000\) = 930, CSAGNT_FEATURES \(80001\) = 6.$" -- get QM1 APP.Q
refute "DELIMITER|\(40000\)|CSAGNT_COMMAND_LEVEL \(80000\) = 930[[:space:]]"
expect 1 "response 2: .*Q_NAME \(2016\) = \"BCDE\".    agent information: CSAGNT_COMMAND_LEVEL \(80000\) = 930.  \(decoding stopped: reason 3020\).*the message could not be read: reason 3020" -- get QM1 APP.Q
expect 0 "\(coalesced: 3 responses\).*\
  response 1: Type=18 \(XR_ITEM\) Command=13 \(INQUIRE_Q\) CompCode=0 Reason=0 MsgSeqNumber=1 Control=0 ParameterCount=3.\
    RESPONSE_ID \(7004\) = x'5252[0-9A-F]*'.    Q_NAME \(2016\) = \"A.Q\".    8000 = group of 2.\
      CURRENT_Q_DEPTH \(3\) = 5.      Q_NAME \(2016\) = \"IN.GROUP\".\
  response 2: Type=18 \(XR_ITEM\) .*MsgSeqNumber=2 Control=0 ParameterCount=2.*Q_NAME \(2016\) = \"B.Q\".\
  response 3: Type=19 \(XR_SUMMARY\) .*MsgSeqNumber=3 Control=1 ParameterCount=1.    RESPONSE_ID" -- get QM1 APP.Q
expect 0 "MQCFH Type=2 Version=1 Command=2 \(INQUIRE_Q_MGR\) MsgSeqNumber=1 Control=1 CompCode=0 Reason=0 ParameterCount=3.\
  Q_MGR_NAME \(2015\) = \"QM1\".  agent information: CSAGNT_COMMAND_LEVEL \(80000\) = 930, CSAGNT_FEATURES \(80001\) = 6" -- get QM1 APP.Q
refute "response 1:|coalesced"
expect 1 "                    8000 = group of 1.  \(decoding stopped: reason 3259\).*the message could not be read: reason 3259" -- get QM1 APP.Q
[[ ${#last_out} -lt 2000 ]] || { echo "FAILED: get of deep groups printed ${#last_out} bytes"; failures=$((failures + 1)); }
expect 0 "fault put-fail set" -- fault QM1 put-fail APP.Q 1 2051
expect 1 "reason 2051" -- put QM1 APP.Q x
expect 0 "fault inhibit set" -- fault QM1 inhibit APP.Q put
expect 0 "put=inhibited" -- show QM1 APP.Q
expect 0 "faults cleared" -- fault QM1 clear
expect 2 "unknown or incomplete fault" -- fault QM1 nonsense
expect 0 "deleted" -- delete QM1 APP.MODEL
# MQSC, as runmqsc prints it.
expect 0 "1 : DEFINE QLOCAL\(A.Q\) MAXMSGL\(100000\).AMQ8006I: IBM MQ queue created." -- mqsc QM1 "DEFINE QLOCAL(A.Q) MAXMSGL(100000)"
expect 0 "AMQ8409I: Display Queue details..   QUEUE\(A.Q\) +TYPE\(QLOCAL\).   MAXMSGL\(100000\)" -- mqsc QM1 "DISPLAY QLOCAL(A.Q) MAXMSGL"
expect 10 "AMQ8147E: IBM MQ object NOPE not found" -- mqsc QM1 "DISPLAY QLOCAL(NOPE)"
expect 0 "AMQ8552I: IBM MQ namelist created." -- mqsc QM1 "DEFINE NAMELIST(NL.T) NAMES(A.Q,B.Q) DESCR('two')"
expect 0 "NL.T +type=namelist names=A.Q,B.Q description=\"two\"" -- show QM1 'NL.*'
# Channels: defined with a type and any keyword of it, shown, deleted.
expect 0 "channel TO.QM2 defined" -- define-channel QM1 TO.QM2 --type sdr --conname 'qm2(1414)' --xmitq QM2
expect 1 "failed with reason 4041" -- define-channel QM1 BAD --xmitq Q
expect 0 "TO.QM2 +type=channel chltype=sdr conname=qm2\(1414\) xmitq=QM2" -- show QM1 'TO.*'
expect 0 "SYSTEM.DEF.SVRCONN +type=channel chltype=svrconn" -- show QM1 'SYSTEM.DEF.SVRCONN'
expect 0 "channel TO.QM2 deleted" -- delete-channel QM1 TO.QM2
# define takes any settable MQSC keyword of the queue as an option, with a
# number or one of the keyword's values.
expect 0 "defined" -- define QM1 KEYWORD.Q --defprty 5 --get disabled --defpsist YES
expect 0 "DEFPRTY\(5\).*DEFPSIST\(YES\).*GET\(DISABLED\)" -- mqsc QM1 "DISPLAY QLOCAL(KEYWORD.Q) DEFPRTY DEFPSIST GET"
expect 0 "defined" -- define QM1 KEPT.Q --hardenbo --noshare --custom "a b" --qdepthhi 90
expect 0 "HARDENBO.*QDEPTHHI\(90\).*NOSHARE" -- mqsc QM1 "DISPLAY QLOCAL(KEPT.Q) HARDENBO SHARE QDEPTHHI"
expect 0 "defined" -- define QM1 R.Q --remote --rname THERE.Q --rqmname QM2 --xmitq QM2
expect 0 "type=remote rname=THERE.Q rqmname=QM2 xmitq=QM2" -- show QM1 R.Q
expect 2 "unknown or incomplete option --get" -- define QM1 KEYWORD2.Q --get maybe
expect 2 "unknown or incomplete option --curdepth" -- define QM1 KEYWORD2.Q --curdepth 1
expect 1 "reason 3229" -- define QM1 KEYWORD2.Q --defprty 10
# The maximum queue file size: DEFAULT or 20 to 267386880 megabytes.
expect 0 "AMQ8006I" -- mqsc QM1 "DEFINE QLOCAL(FILE.Q) MAXFSIZE(300)"
expect 0 "QUEUE\(FILE.Q\) +TYPE\(QLOCAL\).   MAXFSIZE\(300\)" -- mqsc QM1 "DISPLAY QLOCAL(FILE.Q) MAXFSIZE"
expect 0 "AMQ8008I" -- mqsc QM1 "ALTER QLOCAL(FILE.Q) MAXFSIZE(DEFAULT)"
expect 0 "MAXFSIZE\(DEFAULT\)" -- mqsc QM1 "DISPLAY QLOCAL(FILE.Q) MAXFSIZE"
expect 10 "AMQ8405I" -- mqsc QM1 "ALTER QLOCAL(FILE.Q) MAXFSIZE(19)"
expect 10 "AMQ8405I" -- mqsc QM1 "DEFINE QALIAS(FILE.A) TARGET(FILE.Q) MAXFSIZE(30)"
expect 0 "defined" -- define QM1 FILE2.Q --maxfsize 40
expect 0 "MAXFSIZE\(40\)" -- mqsc QM1 "DISPLAY QLOCAL(FILE2.Q) MAXFSIZE"
expect 1 "reason 3229" -- define QM1 FILE3.Q --maxfsize 19
expect 0 "ESCAPE_TEXT \(3014\) = \"AMQ8409I: Display Queue details..   QUEUE\(SYSTEM.DEAD.LETTER.QUEUE\)" -- pcf QM1 ESCAPE ESCAPE_TYPE=1 "ESCAPE_TEXT=DISPLAY QLOCAL(SYSTEM.*)"
# Text formats, and a coalesced MQSC message shown one text a line.
expect 0 "defined" -- define QM1 TEXT.Q
expect 0 "put 5 bytes" -- put QM1 TEXT.Q hello --format MQCMD1
expect 0 "Format: +'MQCMD1  '.*Data:.hello" -- get QM1 TEXT.Q
expect 0 "put 30 bytes" -- put QM1 TEXT.Q "CSQN205I first" "CSQM409I second" --format MQCMD2
expect 0 "Format: +'MQCMD2  '.*Data:.CSQN205I first.CSQM409I second.$" -- get QM1 TEXT.Q
# The agent marks a coalesced MQSC message with '*' at offset 8; it is shown
# as the blank it replaced. A single text keeps its '*'.
expect 0 "put 30 bytes" -- put QM1 TEXT.Q "CSQN205I*first" "CSQM409I second" --format MQCMD2
expect 0 "Data:.CSQN205I first.CSQM409I second.$" -- get QM1 TEXT.Q
expect 0 "put 14 bytes" -- put QM1 TEXT.Q "CSQN205I*first" --format MQCMD1
expect 0 "Data:.CSQN205I\*first.$" -- get QM1 TEXT.Q
# Triggering definitions.
expect 0 "process APP.PROC defined" -- define-process QM1 APP.PROC --applicid /bin/true --userdata "-q X"
expect 2 "unknown or incomplete option" -- define-process QM1 APP.PROC --frob
expect 0 "defined" -- define QM1 TRIG.Q --trigger every --initq INIT.Q --process APP.PROC --trigdata data
expect 0 "trigger=2 initq=INIT.Q process=APP.PROC" -- show QM1 TRIG.Q
expect 0 "APP.PROC +type=process applicid=\"/bin/true\" appltype=6 userdata=\"-q X\"" -- show QM1 APP.PROC
expect 0 "process APP.PROC deleted" -- delete-process QM1 APP.PROC
expect 1 "reason 2085" -- delete-process QM1 APP.PROC
expect 2 "usage: mqemu trigger-monitor" -- trigger-monitor QM1
# A z/OS queue manager answers MQSC text with a reply set.
expect 0 "started \(--platform zos\)" -- start ZQM1 --platform zos
expect 2 "unknown or incomplete option" -- start ZQM2 --platform vms
expect 0 "SYSTEM.ADMIN.COMMAND.QUEUE +type=alias base=SYSTEM.COMMAND.INPUT" -- show ZQM1
expect 0 "defined" -- define ZQM1 REPLY.Q
expect 0 "put 24 bytes" -- put ZQM1 SYSTEM.COMMAND.INPUT "DELETE QLOCAL(NO.SUCH.Q)" --replytoq REPLY.Q
expect 0 "Format: +'MQCMD1  '.*CSQN205I   COUNT=       4, RETURN=" -- get ZQM1 REPLY.Q --wait 2
expect 0 "Format: +'MQCMD2  '.*CSQM125I \+ZQM1 CSQMUQLC QLOCAL\(NO.SUCH.Q\)" -- get ZQM1 REPLY.Q --wait 2
expect 0 "Format: +'MQCMD2  '" -- get ZQM1 REPLY.Q --wait 2
expect 0 "CSQ9023E \+ZQM1 CSQMUQLC ' DELETE QLOCAL' ABNORMAL COMPLETION" -- get ZQM1 REPLY.Q --wait 2
expect 0 "Type=19 .*MsgSeqNumber=1 Control=1" -- pcf ZQM1 PING_Q_MGR
expect 0 "ended" -- stop ZQM1
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
