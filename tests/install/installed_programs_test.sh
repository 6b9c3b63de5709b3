#!/usr/bin/env bash
# Installs the build tree into a temporary prefix and runs the installed programs from
# there: voltcheck-cli --help, zebsim with the installed demo scenario on a free port,
# voltcheck-cli and the window program against it. The window program runs with HOME in
# a temporary folder and a bin folder it cannot write to, finds the demo's module and
# creates its settings file in the user's configuration folder.
# Usage: installed_programs_test.sh CMAKE BUILD_DIR VERSION (DISPLAY must name an X screen)
set -euo pipefail
cmake=$1 build=$2 version=$3

fail() { echo "FAIL: $*" >&2; exit 1; }
[ -n "${DISPLAY:-}" ] || fail "no X screen (DISPLAY is not set)"

work=$(mktemp -d)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; wait "$pid" 2>/dev/null || true; done
  chmod -R u+w "$work" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
prefix=$work/prefix

"$cmake" --install "$build" --prefix "$prefix" >"$work/install.log" || { cat "$work/install.log"; fail "cmake --install"; }

for f in bin/voltcheck bin/voltcheck-cli bin/voltcheck-measure bin/zebsim \
         lib/voltcheck/libzebapi.so lib/voltcheck/libzeb44api.so \
         share/zebsim/scenarios/demo.json share/applications/voltcheck.desktop \
         share/icons/hicolor/48x48/apps/voltcheck.png \
         share/man/man1/voltcheck.1.gz share/man/man1/voltcheck-cli.1.gz \
         share/man/man1/voltcheck-measure.1.gz share/man/man1/zebsim.1.gz; do
  [ -e "$prefix/$f" ] || fail "not installed: $f"
done
# The programs find the crate libraries beside themselves, never in the build tree.
for exe in voltcheck voltcheck-cli; do
  runpath=$(readelf -d "$prefix/bin/$exe" | sed -n 's/.*(RUNPATH).*\[\(.*\)\]/\1/p')
  [ "$runpath" = '$ORIGIN/../lib/voltcheck' ] || fail "$exe has RUNPATH '$runpath'"
done

# The command-line tools.
"$prefix/bin/voltcheck-cli" --help >"$work/cli-help" || fail "voltcheck-cli --help exits with $?"
grep -q '^использование: voltcheck-cli list|measure' "$work/cli-help" || fail "voltcheck-cli --help: $(cat "$work/cli-help")"
"$prefix/bin/voltcheck-measure" --help >"$work/measure-help" || fail "voltcheck-measure --help exits with $?"
grep -q '^использование: voltcheck-measure' "$work/measure-help" || fail "voltcheck-measure --help"

# The simulated crate server with the installed demo scenario on a free port.
"$prefix/bin/zebsim" --port 0 --port-file "$work/port" \
  --scenario "$prefix/share/zebsim/scenarios/demo.json" 2>"$work/zebsim.log" &
zebsim_pid=$!
pids+=("$zebsim_pid")
while [ ! -s "$work/port" ]; do
  kill -0 "$zebsim_pid" 2>/dev/null || { cat "$work/zebsim.log" >&2; fail "zebsim ended"; }
  sleep 0.05
done
port=$(cat "$work/port")

cat >"$work/list.expected" <<'LIST'
crate ZN8-300052 ZEB-N8 30
module 3 4400208 1.9.2.0
module 12 4400415 2.0.0.3
crate ZK1-210417 ZEB-K1 21
module 1 4400117 2.1.0.7
module 16 4400342 2.1.0.9
LIST
ZEB_SERVER_PORT=$port "$prefix/bin/voltcheck-cli" list >"$work/list" || fail "voltcheck-cli list exits with $?"
diff -u "$work/list.expected" "$work/list" || fail "voltcheck-cli list"

# The window program, installed where it cannot write: its folder is read-only and,
# for root, who writes anywhere, the program runs as nobody.
home=$work/home
mkdir "$home"
chmod a-w "$prefix/bin"
run_as=()
if [ "$(id -u)" -eq 0 ]; then
  chmod 755 "$work"
  chown 65534:65534 "$home"
  run_as=(setpriv --reuid=65534 --regid=65534 --clear-groups)
fi
env -i PATH=/usr/bin:/bin DISPLAY="$DISPLAY" HOME="$home" ZEB_SERVER_PORT="$port" LANG=C.UTF-8 \
  "${run_as[@]}" "$prefix/bin/voltcheck" >"$work/voltcheck.log" 2>&1 &
voltcheck_pid=$!
pids+=("$voltcheck_pid")

# The caption shows the program's version once the discovery has opened a module. The
# window is looked for by the program's pid: GUI tests running beside this one on the
# same X server show the same caption before this program has written its settings.
caption="^Voltcheck - ${version%.*}\$"
caption=${caption//./\\.}
until xdotool search --all --pid "$voltcheck_pid" --name "$caption" >/dev/null 2>&1; do
  kill -0 "$voltcheck_pid" 2>/dev/null || { cat "$work/voltcheck.log" >&2; fail "voltcheck ended"; }
  sleep 0.1
done

settings=$home/.config/Voltcheck/Voltcheck.ini
[ -f "$settings" ] || fail "no settings file in $home/.config/Voltcheck: $(find "$home" -name Voltcheck.ini)"
[ ! -e "$prefix/bin/Voltcheck.ini" ] || fail "a settings file beside the installed program"
# The defaults in code page 1251, as the program writes them.
grep -q '^\[Модуль ZEB44\]' <<<"$(iconv -f CP1251 -t UTF-8 "$settings")" || fail "settings file: $(iconv -f CP1251 -t UTF-8 "$settings")"
echo "installed into $prefix: programs ran, settings in $settings"
