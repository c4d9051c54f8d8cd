#!/usr/bin/env bash
# One family of the IBM-headers-only MQI application against the stand-in:
# the default queue manager QM1 with APP.Q, REPLY.Q and the alias APP.ALIAS,
# and QM2 beside it.
# Arguments: the mqemu tool, the application, the directory of libmqm_r.so,
# the family.
set -euo pipefail
tool=$1 app=$2 libdir=$3 family=$4
export MQEMU_HOME=$(mktemp -d /tmp/mqemu-app-XXXXXX)
trap '"$tool" stop QM1 --immediate >/dev/null 2>&1 || true
      "$tool" stop QM2 --immediate >/dev/null 2>&1 || true
      rm -rf "$MQEMU_HOME"' EXIT
"$tool" start QM1 --default
"$tool" define QM1 APP.Q
"$tool" define QM1 REPLY.Q
"$tool" define QM1 APP.ALIAS --alias APP.Q
if [ "$family" = reports ]; then "$tool" start QM2; fi
LD_LIBRARY_PATH=$libdir "$app" "$family"
