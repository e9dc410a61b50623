#!/usr/bin/env bash
# Installs the build into a temporary prefix and runs the installed programs from there, with
# no variable pointing into the build folder: they must find the add-in and their helpers
# from their own installed place.
#
#   tests/install/install-test.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
build=$1
source=$2
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail() { echo "install test: $*" >&2; exit 1; }

cmake --install "$build" --prefix "$tmp/prefix" >/dev/null

# A clean environment: nothing of the build's, a home of its own.
mkdir -p "$tmp/home"
# The sanitizers' settings pass through: they name nothing of the build folder.
clean=(env -i PATH=/usr/bin:/bin HOME="$tmp/home" QT_QPA_PLATFORM=offscreen LANG=C.UTF-8)
for name in ASAN_OPTIONS LSAN_OPTIONS UBSAN_OPTIONS; do
  [ -n "${!name:-}" ] && clean+=("$name=${!name}")
done
run() { "${clean[@]}" "$@"; }
bin=$tmp/prefix/bin
for f in bin/tavro bin/tavro-host lib/tavro/libtavro.so libexec/tavro/BraskFTP.exe \
         share/man/man1/tavro.1 share/bash-completion/completions/tavro; do
  [ -f "$tmp/prefix/$f" ] || fail "$f is not installed"
done

deck=$(cd "$source" && run "$bin/tavro" convert samples/pages/plain.html 2>/dev/null)
grep -q "Harbour Ferries" <<<"$deck" || fail "tavro convert printed: $deck"

# Registration records the installed library, found from the installed tool.
out=$(run "$bin/tavro" register)
library=$(cd "$tmp/prefix/lib/tavro" && pwd -P)/libtavro.so
grep -q $'^Tavro.wizard\t'"$library"'$' "$tmp/home/.config/tavro/registry" \
  || fail "the registry does not record $library: $(cat "$tmp/home/.config/tavro/registry")"
run "$bin/tavro" unregister >/dev/null

# The host registers the add-in itself and links the FTP starter into its application folder
# at start; it is stopped once both are there (or after 30 seconds).
"${clean[@]}" "$bin/tavro-host" >"$tmp/host.log" 2>&1 &
host=$!
for _ in $(seq 300); do
  [ -L "$tmp/home/.local/share/tavro/BraskFTP.exe" ] && grep -q '^Tavro.wizard' "$tmp/home/.config/tavro/registry" && break
  kill -0 "$host" 2>/dev/null || break
  sleep 0.1
done
kill -0 "$host" 2>/dev/null || fail "tavro-host ended early: $(cat "$tmp/host.log")"
kill "$host"
wait "$host" 2>/dev/null || true
grep -q $'^Tavro.wizard\t'"$library"'$' "$tmp/home/.config/tavro/registry" \
  || fail "tavro-host did not register $library: $(cat "$tmp/host.log")"
starter=$(readlink "$tmp/home/.local/share/tavro/BraskFTP.exe") || fail "no BraskFTP.exe in the application folder"
[ "$(readlink -f "$starter")" = "$(readlink -f "$tmp/prefix/libexec/tavro/BraskFTP.exe")" ] \
  || fail "BraskFTP.exe leads to $starter"
echo "install test: the installed programs work from $tmp/prefix"
