#!/usr/bin/env bash
# The acceptance run: a queue manager started as the default, APP.Q defined,
# and the IBM-headers-only application run against build/lib/libmqm_r.so.
# Arguments: the mqemu tool, the application, the directory of libmqm_r.so.
set -euo pipefail
tool=$1 app=$2 libdir=$3
export MQEMU_HOME=$(mktemp -d /tmp/mqemu-accept-XXXXXX)
trap '"$tool" stop QM1 --immediate >/dev/null 2>&1 || true; rm -rf "$MQEMU_HOME"' EXIT
"$tool" start QM1 --default
"$tool" define QM1 APP.Q
LD_LIBRARY_PATH=$libdir "$app"
