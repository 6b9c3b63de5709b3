#!/usr/bin/env bash
# Makes the Debian packages with cpack into a temporary folder and reads them back:
# the files of each package, the desktop entry, the manual pages, the control fields
# (Depends from dpkg-shlibdeps) and lintian without errors.
# Usage: debian_packages_test.sh CPACK BUILD_DIR VERSION
set -euo pipefail
# Checks read a command's whole output first: "cmd | grep -q" fails now and then under
# pipefail, when grep quits at its match and cmd dies of SIGPIPE.
cpack=$1 build=$2 version=$3

fail() { echo "FAIL: $*" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

"$cpack" -G DEB --config "$build/CPackConfig.cmake" -B "$work/out" >"$work/cpack.log" 2>&1 \
  || { cat "$work/cpack.log" >&2; fail "cpack -G DEB"; }
program=$work/out/voltcheck_${version}_amd64.deb
server=$work/out/voltcheck-zebsim_${version}_amd64.deb
[ -f "$program" ] && [ -f "$server" ] || fail "packages: $(ls "$work/out")"

# Files: every path a package holds, without the leading "." and the folders.
files() { dpkg-deb --contents "$1" | awk '{ print $6 }' | sed 's/^\.//' | grep -v '/$' | sort; }
files "$program" >"$work/program.files"
files "$server" >"$work/server.files"
{
  printf '%s\n' /usr/bin/voltcheck /usr/bin/voltcheck-cli /usr/bin/voltcheck-measure \
    /usr/lib/voltcheck/libzeb44api.so /usr/lib/voltcheck/libzebapi.so \
    /usr/share/applications/voltcheck.desktop \
    /usr/share/doc/voltcheck/changelog.gz /usr/share/doc/voltcheck/copyright \
    /usr/share/man/man1/voltcheck-cli.1.gz /usr/share/man/man1/voltcheck-measure.1.gz \
    /usr/share/man/man1/voltcheck.1.gz /usr/lib/systemd/system/voltcheck-serve.service
  for size in 16 22 24 32 48 64 128 256; do
    echo "/usr/share/icons/hicolor/${size}x${size}/apps/voltcheck.png"
  done
} | sort >"$work/program.expected"
printf '%s\n' /usr/bin/zebsim /usr/share/doc/voltcheck-zebsim/changelog.gz \
  /usr/share/doc/voltcheck-zebsim/copyright /usr/share/man/man1/zebsim.1.gz \
  /usr/share/zebsim/scenarios/demo.json | sort >"$work/server.expected"
diff -u "$work/program.expected" "$work/program.files" || fail "files of the voltcheck package"
diff -u "$work/server.expected" "$work/server.files" || fail "files of the voltcheck-zebsim package"

# Control fields.
field() { dpkg-deb --field "$1" "$2"; }
[ "$(field "$program" Package)" = voltcheck ] || fail "Package: $(field "$program" Package)"
[ "$(field "$server" Package)" = voltcheck-zebsim ] || fail "Package: $(field "$server" Package)"
for deb in "$program" "$server"; do
  [ "$(field "$deb" Version)" = "$version" ] || fail "Version: $(field "$deb" Version)"
  [ "$(field "$deb" Section)" = science ] || fail "Section: $(field "$deb" Section)"
  [ -n "$(field "$deb" Maintainer)" ] || fail "no Maintainer"
  grep -q '^ Description: .\+' <<<"$(dpkg-deb --info "$deb")" || fail "no Description"
done
program_depends=$(field "$program" Depends)
server_depends=$(field "$server" Depends)
echo "voltcheck Depends: $program_depends"
echo "voltcheck-zebsim Depends: $server_depends"
# The window program's Qt libraries and the C++ run-time, as dpkg-shlibdeps finds them.
for package in libqt6widgets6 libqt6charts6 libqt6core6 libc6 libstdc++6; do
  grep -Eq "(^|, )${package//+/\\+}( |,|$)" <<<"$program_depends" || fail "voltcheck does not depend on $package"
done
for package in libc6 libstdc++6; do
  grep -Eq "(^|, )${package//+/\\+}( |,|$)" <<<"$server_depends" || fail "voltcheck-zebsim does not depend on $package"
done
! grep -q libqt6 <<<"$server_depends" || fail "the server depends on Qt"
! grep -q voltcheck <<<"$server_depends" || fail "the server depends on the program"

# The desktop entry, the manual pages and the programs' RUNPATH as packaged.
mkdir "$work/program"
dpkg-deb --extract "$program" "$work/program"
desktop=$work/program/usr/share/applications/voltcheck.desktop
for line in 'Type=Application' 'Exec=voltcheck' 'Icon=voltcheck' 'Terminal=false' \
            'Name[ru]=Вольтметр Voltcheck' 'Comment[ru]=Измерение напряжения модулем АЦП ZEB44 в крейте ZEB'; do
  grep -qxF "$line" "$desktop" || fail "desktop entry lacks '$line'"
done
desktop-file-validate "$desktop" || fail "desktop-file-validate refuses the desktop entry"
for page in voltcheck voltcheck-cli voltcheck-measure; do
  upper=$(tr 'a-z-' 'A-Z_' <<<"$page" | sed 's/_/\\\\-/g')
  grep -q "^\.TH $upper 1 " <<<"$(zcat "$work/program/usr/share/man/man1/$page.1.gz")" || fail "manual page $page"
done
grep -q 'XDG_CONFIG_HOME/Voltcheck/Voltcheck.ini' <<<"$(zcat "$work/program/usr/share/man/man1/voltcheck.1.gz")" \
  || fail "the manual page does not name the settings folder"
runpath=$(readelf -d "$work/program/usr/bin/voltcheck" | sed -n 's/.*(RUNPATH).*\[\(.*\)\]/\1/p')
[ "$runpath" = '$ORIGIN/../lib/voltcheck' ] || fail "voltcheck has RUNPATH '$runpath'"
if grep -q '\.debug_info' <<<"$(readelf -S "$work/program/usr/bin/voltcheck")"; then fail "voltcheck is not stripped"; fi
mkdir "$work/server"
dpkg-deb --extract "$server" "$work/server"
grep -q '^\.TH ZEBSIM 1 ' <<<"$(zcat "$work/server/usr/share/man/man1/zebsim.1.gz")" || fail "manual page zebsim"

# lintian: no errors (warnings are printed for the log).
lintian --fail-on error --tag-display-limit 0 "$program" "$server" | tee "$work/lintian.log" \
  || fail "lintian"
echo "packages: $(basename "$program") $(basename "$server")"
