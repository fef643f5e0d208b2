#!/usr/bin/env bash
# Builds the Debian package from the build folder, unpacks it into a scratch root (as dpkg
# would, without its scripts) and checks it there: its dependencies, its configuration
# files, its systemd units, and the installed program run through its launcher, without a
# display, against the sample service: a silent check that finds the INI file and the
# service pack file through the launcher and names the new messages.
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
dpkg-deb -e "$deb" "$work/control"
grep -qx /etc/pelkupdater/PelkUpdater.ini "$work/control/conffiles" || fail "the INI file is no conffile"

echo "== unpacked"
root="$work/root"
dpkg-deb -x "$deb" "$root"
[ "$(readlink "$root/usr/bin/PelkUpdater")" = ../lib/pelkupdater/PelkUpdater ] || fail "launcher link"
[ "$(readlink "$root/usr/lib/pelkupdater/PelkUpdater.ini")" = ../../../etc/pelkupdater/PelkUpdater.ini ] \
    || fail "INI link"
for file in usr/lib/pelkupdater/PelkMessagePage.so usr/lib/pelkupdater/PelkNetwork.so usr/lib/pelkupdater/pelk-feedsign \
    usr/lib/pelkupdater/PelkServicePack.pelk \
    usr/share/applications/com.orbel.PelkUpdater.desktop usr/share/metainfo/com.orbel.PelkUpdater.metainfo.xml \
    usr/share/icons/hicolor/scalable/apps/com.orbel.PelkUpdater.svg usr/share/man/man1/PelkUpdater.1.gz \
    etc/xdg/autostart/com.orbel.PelkUpdater.autostart.desktop; do
    [ -f "$root/$file" ] || fail "$file missing"
done

echo "== systemd-analyze verify"
# The service names the program by the launcher's name, which systemd looks up in its own
# fixed search path (/usr/bin among others); here it is given the unpacked launcher instead.
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

echo "== a reinstallation keeps a changed INI file"
admin="$work/dpkg-root/var/lib/dpkg"
mkdir -p "$admin/updates" "$admin/info" && touch "$admin/status"
install_package() {
    dpkg --root="$work/dpkg-root" --force-depends --force-script-chrootless --force-not-root \
        --force-confold -i "$deb" > "$work/dpkg.log" 2>&1 || { cat "$work/dpkg.log"; fail "dpkg -i"; }
}
install_package
echo "; changed here" >> "$work/dpkg-root/etc/pelkupdater/PelkUpdater.ini"
install_package
[ "$(tail -n 1 "$work/dpkg-root/etc/pelkupdater/PelkUpdater.ini")" = "; changed here" ] || fail "the INI file was replaced"
[ -L "$work/dpkg-root/etc/systemd/user/graphical-session.target.wants/com.orbel.PelkUpdater.timer" ] \
    || fail "the timer was not switched on"

echo "== a silent check of the installed program, without a display"
python3 "$source/scripts/sample-service.py" --port-file "$work/port" > "$work/service.log" 2>&1 &
service_pid=$!
for _ in $(seq 1 100); do [ -s "$work/port" ] && break; sleep 0.1; done
[ -s "$work/port" ] || fail "the sample service did not start"
# The administrator points the installed INI file at the local service.
sed -i "s|^UpdateCheckURL=.*|UpdateCheckURL=http://127.0.0.1:$(cat "$work/port")/update|" \
    "$root/etc/pelkupdater/PelkUpdater.ini"
mkdir -p "$work/config"
status=0
env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM XDG_CONFIG_HOME="$work/config" HOME="$work" \
    XDG_RUNTIME_DIR="$work/runtime" \
    "$root/usr/bin/PelkUpdater" /SILENT /LNG:engb 2> "$work/run.log" || status=$?
cat "$work/run.log"
[ "$status" -eq 0 ] || fail "exit code $status"
grep -qx 'Number of messages: 4' "$work/run.log" || fail "no message counted"
grep -q '^No display: the new messages stay unread .*Planned maintenance on 20 December' "$work/run.log" \
    || fail "the new messages are not named"
grep -q 'POST /update from 127.0.0.1' "$work/service.log" || fail "the service saw no request"
grep -q "UpdaterPath\"=\"$root/usr/lib/pelkupdater/\"" "$work/config/Orbel/user.reg" \
    || fail "the program did not run from its folder"
echo "PASS"
