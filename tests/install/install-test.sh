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
run() {
  env -i PATH=/usr/bin:/bin HOME="$tmp/home" QT_QPA_PLATFORM=offscreen LANG=C.UTF-8 "$@"
}
bin=$tmp/prefix/bin
for f in bin/tavro bin/tavro-host lib/tavro/libtavro.so libexec/tavro/BraskFTP.exe \
         share/man/man1/tavro.1 share/bash-completion/completions/tavro; do
  [ -f "$tmp/prefix/$f" ] || fail "$f is not installed"
done

version=$(run "$bin/tavro" --version)
[[ $version == "tavro "* ]] || fail "tavro --version printed '$version'"

catalogue=$(run "$bin/tavro" catalogue)
grep -q $'^103\tFtp\tTrell Ftp ...\t' <<<"$catalogue" || fail "tavro catalogue printed: $catalogue"

deck=$(cd "$source" && run "$bin/tavro" convert samples/pages/plain.html 2>/dev/null)
grep -q "Harbour Ferries" <<<"$deck" || fail "tavro convert printed: $deck"

# Registration records the installed library, found from the installed tool.
out=$(run "$bin/tavro" register)
library=$(cd "$tmp/prefix/lib/tavro" && pwd -P)/libtavro.so
grep -q $'^Tavro.wizard\t'"$library"'$' "$tmp/home/.config/tavro/registry" \
  || fail "the registry does not record $library: $(cat "$tmp/home/.config/tavro/registry")"
run "$bin/tavro" unregister >/dev/null

# The host registers the add-in itself and links the FTP starter into its application folder.
# It runs until it is stopped; a failure to load the add-in would show a message and also wait,
# so what it wrote is what tells.
status=0
run timeout 5 "$bin/tavro-host" >/dev/null 2>&1 || status=$?
[ "$status" = 124 ] || fail "tavro-host ended with status $status before it was stopped"
grep -q $'^Tavro.wizard\t'"$library"'$' "$tmp/home/.config/tavro/registry" \
  || fail "tavro-host did not register $library"
starter=$(readlink "$tmp/home/.local/share/tavro/BraskFTP.exe") || fail "no BraskFTP.exe in the application folder"
[ "$(readlink -f "$starter")" = "$(readlink -f "$tmp/prefix/libexec/tavro/BraskFTP.exe")" ] \
  || fail "BraskFTP.exe leads to $starter"
echo "install test: the installed programs work from $tmp/prefix"
