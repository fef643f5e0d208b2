#!/usr/bin/env bash
# Builds the Debian package from the build folder and a second version of it with changed
# texts, lets lintian judge the first, and takes both through an administrator's day in a
# scratch root (dpkg --root, maintainer scripts included): install, set the service address
# in the administrator's file, switch the timer off, upgrade without a question, remove,
# purge. The installed program runs through its launcher, without a display, against the
# sample service.
#   package-test.sh <build folder> <source folder>
set -euo pipefail
build=$(cd "$1" && pwd)
source=$(cd "$2" && pwd)
work=$(mktemp -d)
service_pid=
cleanup() {
    if [ -n "$service_pid" ]; then
        kill "$service_pid" 2>/dev/null || true
        wait "$service_pid" 2>/dev/null || true
    fi
    rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

timer=com.orbel.PelkUpdater.timer
root="$work/root"
program_dir="$root/usr/lib/pelkupdater"
admin_ini="$root/etc/xdg/Orbel/PelkUpdater.ini"
timer_link="$root/etc/systemd/user/graphical-session.target.wants/$timer"

echo "== cpack -G DEB"
cpack --config "$build/CPackConfig.cmake" -G DEB -B "$work/package" > "$work/cpack.log" 2>&1 \
    || { cat "$work/cpack.log"; fail "cpack"; }
deb=$(ls "$work"/package/*.deb)
echo "$deb"

echo "== control"
depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
for needed in libqt6widgets6 libqt6webenginewidgets6 libpugixml1v5 libnettle8 libhogweed6 qt6-qpa-plugins; do
    [[ "$depends" == *"$needed"* ]] || fail "Depends lacks $needed"
done
[[ "$depends" != *-dev* ]] || fail "Depends names a -dev package"
recommends=$(dpkg-deb -f "$deb" Recommends)
for needed in xdg-utils qt6-translations-l10n; do
    [[ "$recommends" == *"$needed"* ]] || fail "Recommends lacks $needed"
done
dpkg-deb -e "$deb" "$work/control"
[ "$(cat "$work/control/conffiles")" = "/etc/xdg/Orbel/PelkUpdater.ini
/etc/xdg/autostart/com.orbel.PelkUpdater.autostart.desktop" ] || fail "conffiles: $(cat "$work/control/conffiles")"

echo "== lintian --pedantic"
command -v lintian > /dev/null || fail "lintian is missing (scripts/install-deps installs it)"
# Its own notes (such as running as root) go to standard error; what it finds, to standard output.
status=0
lintian --pedantic --display-info --fail-on error,warning,info,pedantic "$deb" > "$work/lintian.log" || status=$?
cat "$work/lintian.log"
[ "$status" -eq 0 ] && [ ! -s "$work/lintian.log" ] || fail "lintian had something to say (exit code $status)"

echo "== the second version: changed texts"
dpkg-deb -R "$deb" "$work/v2"
sed -i 's/^Version: .*/&.1/' "$work/v2/DEBIAN/control"
sed -i 's/^txtCheckingForUpdates=Checking for updates$/txtCheckingForUpdates=Looking for updates/' \
    "$work/v2/usr/lib/pelkupdater/PelkUpdater.ini"
grep -qx 'txtCheckingForUpdates=Looking for updates' "$work/v2/usr/lib/pelkupdater/PelkUpdater.ini" || fail "text not changed"
sum=$(cd "$work/v2" && md5sum usr/lib/pelkupdater/PelkUpdater.ini)
sed -i "s|^[0-9a-f]*  usr/lib/pelkupdater/PelkUpdater.ini\$|$sum|" "$work/v2/DEBIAN/md5sums"
grep -qxF "$sum" "$work/v2/DEBIAN/md5sums" || fail "md5sums"
dpkg-deb --root-owner-group -b "$work/v2" "$work/v2.deb" > /dev/null

echo "== first installation"
admin="$root/var/lib/dpkg"
mkdir -p "$admin/updates" "$admin/info" && touch "$admin/status"
dpkg_root() {
    dpkg --root="$root" --force-depends --force-script-chrootless --force-not-root "$@" \
        < /dev/null > "$work/dpkg.log" 2>&1 || { cat "$work/dpkg.log"; fail "dpkg $*"; }
}
dpkg_root -i "$deb"
[ "$(readlink "$root/usr/bin/PelkUpdater")" = ../lib/pelkupdater/PelkUpdater ] || fail "launcher link"
for file in usr/lib/pelkupdater/PelkMessagePage.so usr/lib/pelkupdater/PelkNetwork.so usr/lib/pelkupdater/pelk-feedsign \
    usr/share/doc/pelkupdater/copyright usr/share/doc/pelkupdater/changelog.gz \
    usr/share/doc/pelkupdater/examples/PelkServicePack.pelk \
    usr/share/applications/com.orbel.PelkUpdater.desktop usr/share/metainfo/com.orbel.PelkUpdater.metainfo.xml \
    usr/share/icons/hicolor/scalable/apps/com.orbel.PelkUpdater.svg usr/share/man/man1/PelkUpdater.1.gz; do
    [ -f "$root/$file" ] || fail "$file missing"
done
[ -f "$program_dir/PelkUpdater.ini" ] && [ ! -L "$program_dir/PelkUpdater.ini" ] || fail "the vendor's INI file"
grep -qx 'UpdateCheckURL=' "$program_dir/PelkUpdater.ini" || fail "the package names a service address"
[ ! -e "$program_dir/PelkServicePack.pelk" ] || fail "the package ships a service pack file"
[ -z "$(grep -v -e '^;' -e '^$' "$admin_ini")" ] || fail "the administrator's file sets something"
grep -qx 'TryExec=PelkUpdater' "$root/etc/xdg/autostart/com.orbel.PelkUpdater.autostart.desktop" || fail "TryExec"
[ -L "$timer_link" ] || fail "the timer was not switched on"

echo "== systemd-analyze verify"
# The service names the program by the launcher's name, which systemd looks up in its own
# fixed search path (/usr/bin among others); here it is given the installed launcher instead.
units="$work/units"
mkdir -p "$units" "$work/runtime" && chmod 700 "$work/runtime"
cp "$root"/usr/lib/systemd/user/com.orbel.PelkUpdater.{timer,service} "$units/"
sed -i "s|^ExecStart=PelkUpdater |ExecStart=$root/usr/bin/PelkUpdater |" "$units/com.orbel.PelkUpdater.service"
grep -q "^ExecStart=$root/usr/bin/PelkUpdater /AUTO\$" "$units/com.orbel.PelkUpdater.service" || fail "ExecStart"
verify=$(cd "$units" && XDG_RUNTIME_DIR="$work/runtime" MANPATH="$root/usr/share/man" \
    systemd-analyze verify com.orbel.PelkUpdater.timer com.orbel.PelkUpdater.service 2>&1) \
    || { echo "$verify"; fail "systemd-analyze verify"; }
[ -z "$verify" ] || { echo "$verify"; fail "systemd-analyze verify had something to say"; }
grep -qx 'Persistent=true' "$root/usr/lib/systemd/user/com.orbel.PelkUpdater.timer" || fail "timer not persistent"

# A silent check of the installed program through its launcher, without a display; the
# administrator's file is found in the scratch root's /etc/xdg.
mkdir -p "$work/config"
run_check() {
    local status=0
    env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM XDG_CONFIG_HOME="$work/config" HOME="$work" \
        XDG_CONFIG_DIRS="$root/etc/xdg" XDG_RUNTIME_DIR="$work/runtime" \
        "$root/usr/bin/PelkUpdater" /SILENT /LNG:engb 2> "$work/run.log" || status=$?
    cat "$work/run.log"
    [ "$status" -eq 0 ] || fail "exit code $status"
}

echo "== without the catalogue's service pack file"
run_check
grep -qx "Error loading $program_dir/PelkServicePack.pelk." "$work/run.log" || fail "the missing file is not named"
grep -qx "The service pack file $program_dir/PelkServicePack.pelk could not be loaded: the file does not exist" \
    "$work/run.log" || fail "the check does not say why it may not run"

echo "== without a service address"
# What the catalogue's installation does.
cp "$root/usr/share/doc/pelkupdater/examples/PelkServicePack.pelk" "$program_dir/"
run_check
grep -qx "Error: No address of the update service: set UpdateCheckURL in the section Config of $admin_ini" \
    "$work/run.log" || fail "the administrator's file is not named"

echo "== the administrator sets the address and switches the timer off"
python3 "$source/scripts/sample-service.py" --port-file "$work/port" > "$work/service.log" 2>&1 &
service_pid=$!
for _ in $(seq 1 100); do [ -s "$work/port" ] && break; sleep 0.1; done
[ -s "$work/port" ] || fail "the sample service did not start"
printf '[Config]\nUpdateCheckURL=http://127.0.0.1:%s/update\n' "$(cat "$work/port")" >> "$admin_ini"
cp "$admin_ini" "$work/admin.ini"
systemctl --root="$root" --global disable "$timer" > /dev/null 2>&1 || fail "systemctl --global disable"
[ ! -e "$timer_link" ] || fail "the timer is still on"

echo "== upgrade, no questions asked"
dpkg_root -i "$work/v2.deb"
[ "$(dpkg-query --admindir="$admin" -W -f '${Version}' pelkupdater)" = "$(dpkg-deb -f "$deb" Version).1" ] \
    || fail "not upgraded"
cmp -s "$admin_ini" "$work/admin.ini" || fail "the administrator's file changed"
[ ! -e "$timer_link" ] || fail "the upgrade switched the timer on again"
run_check
grep -qx 'Looking for updates ...' "$work/run.log" || fail "the new texts are not in use"
grep -qx 'Number of messages: 4' "$work/run.log" || fail "no message counted"
grep -q '^No display: the new messages stay unread .*Planned maintenance on 20 December' "$work/run.log" \
    || fail "the new messages are not named"
grep -q 'POST /update from 127.0.0.1' "$work/service.log" || fail "the service saw no request"
grep -q "UpdaterPath\"=\"$program_dir/\"" "$work/config/Orbel/user.reg" || fail "the program did not run from its folder"

echo "== remove: what is left runs nothing"
rm "$program_dir/PelkServicePack.pelk" # what the catalogue's removal does
dpkg_root -r pelkupdater
[ ! -e "$root/usr/bin/PelkUpdater" ] || fail "the program is still there"
grep -qx 'TryExec=PelkUpdater' "$root/etc/xdg/autostart/com.orbel.PelkUpdater.autostart.desktop" \
    || fail "the autostart entry would run"
for unit in "$root"/etc/systemd/user/*.timer "$root"/etc/systemd/user/*/*.timer "$root"/usr/lib/systemd/user/*; do
    [ -e "$unit" ] || [ -L "$unit" ] || continue
    [ "$(readlink "$unit")" = /dev/null ] || [ ! -e "$root$(readlink "$unit")" ] || fail "$unit would still run"
done

echo "== purge: nothing left"
dpkg_root -P pelkupdater
left=$(cd "$root" && find . ! -type d ! -path './var/lib/dpkg/*')
[ -z "$left" ] || { echo "$left"; fail "purge left files behind"; }
echo "PASS"
