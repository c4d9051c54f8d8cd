#!/usr/bin/env bash
# Builds the Debian package from a build tree and checks it: the files it
# holds (and that the stand-in is not among them), its control fields, that
# both man pages render without warnings, and that systemd-analyze accepts
# the unit template. A tool that cannot run in this machine is skipped with a
# message; a check that runs and fails fails the test.
#   package_test.sh BUILD_DIR VERSION
set -uo pipefail
build=$1
version=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

cpack --config "$build/CPackConfig.cmake" -B "$work" >"$work/cpack.log" 2>&1 || {
  cat "$work/cpack.log"
  fail "cpack"
  exit 1
}
deb="$work/csagnt_${version}_amd64.deb"
[ -f "$deb" ] || { ls "$work"; fail "no $deb"; exit 1; }

contents=$(dpkg-deb -c "$deb" | awk '{print $6}')
for f in ./usr/bin/csagnt ./usr/bin/csagnt-query \
         ./usr/share/man/man8/csagnt.8.gz ./usr/share/man/man1/csagnt-query.1.gz \
         ./usr/lib/systemd/system/csagnt@.service \
         ./usr/share/csagnt/csagnt.cfg ./usr/share/csagnt/csagnt.mqsc \
         ./usr/bin/csagnt-exporter ./usr/share/man/man1/csagnt-exporter.1.gz \
         ./usr/lib/systemd/system/csagnt-exporter.service \
         ./usr/share/csagnt/csagnt-exporter.yml ./usr/share/csagnt/csagnt-exporter.rules.yml; do
  grep -qxF "$f" <<<"$contents" || fail "package lacks $f"
done
if grep -E 'mqemu|libmqm|libmqic|/tests?/' <<<"$contents"; then fail "package holds test files"; fi
info=$(dpkg-deb -f "$deb" Package Architecture Version)
grep -qx "Package: csagnt" <<<"$info" || fail "control: $info"
grep -qx "Architecture: amd64" <<<"$info" || fail "control: $info"

root="$work/root"
dpkg-deb -x "$deb" "$root"
[ -x "$root/usr/bin/csagnt-query" ] || fail "csagnt-query is not executable"
"$root/usr/bin/csagnt-exporter" --help | grep -q "config.file" || fail "csagnt-exporter --help"
"$root/usr/bin/csagnt-query" --help | grep -q "Exit status" || fail "csagnt-query --help"

if command -v man >/dev/null; then
  for page in man8/csagnt.8.gz man1/csagnt-query.1.gz man1/csagnt-exporter.1.gz; do
    text=$(MANWIDTH=80 MANPAGER=cat man --warnings -l "$root/usr/share/man/$page" 2>"$work/warnings")
    [ -s "$work/warnings" ] && { cat "$work/warnings"; fail "$page renders with warnings"; }
    grep -q "^NAME" <<<"$text" || fail "$page renders no NAME section"
    grep -q "EXIT STATUS" <<<"$text" || fail "$page has no EXIT STATUS"
  done
else
  echo "SKIP: man is not installed"
fi

if command -v systemd-analyze >/dev/null; then
  # An instance of the template and the exporter's unit, their ExecStart
  # pointed at the package's own programs, their man pages found in the
  # package.
  cp "$root/usr/lib/systemd/system/csagnt@.service" "$work/csagnt@QM1.service"
  cp "$root/usr/lib/systemd/system/csagnt-exporter.service" "$work/"
  sed -i "s|/usr/bin/csagnt|$root/usr/bin/csagnt|" "$work/csagnt@QM1.service" "$work/csagnt-exporter.service"
  if MANPATH="$root/usr/share/man" systemd-analyze verify "$work/csagnt@QM1.service" \
    "$work/csagnt-exporter.service" >"$work/verify.log" 2>&1; then
    echo "systemd-analyze verify: accepted"
  elif grep -qiE "Failed to (initialize|connect|set up)|not been booted|System has not been" "$work/verify.log"; then
    echo "SKIP: systemd-analyze cannot run here:"; cat "$work/verify.log"
  else
    cat "$work/verify.log"; fail "systemd-analyze verify rejects the unit"
  fi
else
  echo "SKIP: systemd-analyze is not installed"
fi

if ((failures)); then
  echo "$failures failure(s)"
  exit 1
fi
echo "package checks passed"
