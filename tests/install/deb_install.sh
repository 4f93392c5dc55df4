#!/usr/bin/env bash
# Checks the Debian package as a fresh machine gets it: lintian finds no error or warning;
# unpacked into a scratch root, every ELF file's libraries resolve, the declared dependencies
# cover them, the desktop entry's Exec names the packaged program, and the packaged
# messenger, started headless from there, loads its activity monitor from the private library
# folder, finds its help pages, shows its German texts under LANGUAGE=de and records itself
# for the add-in and the autostart entry.
#   tests/install/deb_install.sh FILE.deb [--apt | --fresh]
# --apt also installs the package with apt-get into this machine, starts /usr/bin/zepim the
# same way and removes the package again (root only; it changes /usr).
# --fresh instead makes a minimal Debian system of this machine's release in a scratch folder
# (mmdebstrap, from the configured mirror), runs `apt-get install ./FILE.deb` in it without
# recommended packages, checks that every installed program's libraries resolve there, and
# starts /usr/bin/zepim in it the same way (as root, with sudo otherwise; it needs the mirror).
set -euo pipefail
deb=$(realpath "$1")
apt=${2:-}
# The application id: the installed desktop entry's name and the metainfo's.
app_id=org.zep.ZEPMessenger
root=$(mktemp -d)
homes=()
cleanup() {
    rm -rf "$root" "${homes[@]}"
}
trap cleanup EXIT
fail=0
bad() {
    echo "FAIL: $*"
    fail=1
}

# Starts a messenger headless in a throw-away home the way its desktop entry does (the Exec
# line, its program looked up in PATH); checks what it loaded, logged and recorded.
check_start() {
    local prefix=$1 home
    home=$(mktemp -d)
    homes+=("$home")
    mkdir -p "$home/config" "$home/state" "$home/data" "$home/runtime"
    chmod 700 "$home/runtime"
    local log=$home/state/zepim/ZEPIM.LOG out=$home/out
    HOME=$home XDG_CONFIG_HOME=$home/config XDG_STATE_HOME=$home/state \
        XDG_DATA_HOME=$home/data XDG_RUNTIME_DIR=$home/runtime QT_QPA_PLATFORM=offscreen \
        ZEPIM_LOG_MASK=0x6 LANGUAGE=de LANG=de_DE.UTF-8 \
        PATH="$prefix/bin:$PATH" dbus-run-session -- $exec_line >"$out" 2>&1 &
    local runner=$! pid="" maps=""
    for _ in $(seq 100); do
        pid=$(pgrep -P "$runner" -x zepim || true)
        if [ -n "$pid" ] && [ -e "$home/config/autostart/ZEPMessenger.desktop" ] &&
            grep -q 'Help pages in' "$log" 2>/dev/null; then
            maps=$(cat "/proc/$pid/maps" 2>/dev/null || true)
            break
        fi
        sleep 0.2
    done
    [ -n "$pid" ] && kill -TERM "$pid" 2>/dev/null || true
    wait "$runner" 2>/dev/null || true
    local monitor
    monitor=$(realpath "$prefix/$libdir/libzepimam.so")
    grep -q "$monitor" <<<"$maps" || bad "$prefix/bin/zepim did not load $monitor ($(cat "$out"))"
    grep -q "Loaded $monitor\." "$log" || bad "no 'Loaded $monitor.' in the log"
    grep -q "Help pages in $(realpath "$prefix/share/zepim/help")\." "$log" ||
        bad "the help pages were not found: $(grep -i help "$log" || true)"
    local recorded
    recorded=$(cat "$home/config/Corvane/ZEP Instant Messenger installdir" 2>/dev/null || true)
    [ "$recorded" = "$(realpath "$prefix/bin")/" ] || bad "recorded folder '$recorded'"
    grep -qxF "Exec=\"$(realpath "$prefix/bin/zepim")\" /background" \
        "$home/config/autostart/ZEPMessenger.desktop" || bad "autostart entry: $(grep Exec "$home/config/autostart/ZEPMessenger.desktop" || true)"
    # The first start's setup wizard, in German.
    grep -q 'Loaded translations .*zepim_de.qm' "$log" || bad "German translations not loaded"
    # The add-in's registration names the packaged library.
    HOME=$home XDG_DATA_HOME=$home/data "$prefix/$libdir/quillbay-register" ||
        bad "quillbay-register failed"
    grep -qxF "Library=$(realpath "$prefix/$libdir/libquillbay.so")" \
        "$home/data/zepim/addins/Quillbay.ZEPQuillbay.addin" || bad "manifest does not name the library"
}

if [ "$apt" = "--installed" ]; then
    # Inside the fresh system, after apt-get: what the package pulled in is all there is.
    while IFS= read -r f; do
        [ -f "$f" ] && { [ -x "$f" ] || [[ $f == *.so ]]; } || continue
        if ldd "$f" 2>/dev/null | grep -q 'not found'; then
            bad "unresolved libraries of $f: $(ldd "$f" | grep 'not found' | tr -s ' \t' ' ')"
        fi
    done < <(dpkg -L zepim)
    libdir=$(cd /usr && find lib -path '*/zepim/libzepimam.so' -printf '%h\n' | head -n1)
    exec_line=$(sed -n 's/^Exec=//p' "/usr/share/applications/$app_id.desktop" | head -n1)
    [ -n "$libdir" ] && [ -n "$exec_line" ] || bad "no activity monitor or desktop entry installed"
    # The desktop session's bus, and pgrep for the check itself; installed only now, so they
    # cannot hide a missing dependency.
    DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends dbus-daemon procps \
        >/dev/null
    [ $fail -eq 0 ] && check_start /usr
    [ $fail -eq 0 ] && echo "installed package checks passed"
    exit $fail
fi

if [ "$apt" = "--fresh" ]; then
    suite=$(. /etc/os-release && echo "$VERSION_CODENAME")
    mirror=$(apt-get indextargets --format '$(REPO_URI)' 'Created-By: Packages' 2>/dev/null |
        grep -v security | head -n1)
    echo "a fresh $suite system from ${mirror:-the default mirror}"
    # The hooks run in the new system with /proc, /sys and /dev mounted; a failing one fails
    # the whole run. Nothing of it is kept.
    sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    $sudo mmdebstrap --variant=apt --quiet \
        --customize-hook="copy-in $deb /tmp" \
        --customize-hook="copy-in $(realpath "$0") /tmp" \
        --customize-hook="chroot \"\$1\" env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends /tmp/$(basename "$deb")" \
        --customize-hook="chroot \"\$1\" bash /tmp/$(basename "$0") /tmp/$(basename "$deb") --installed" \
        "$suite" /dev/null ${mirror:+"$mirror"} || exit 1
    echo "package checks in a fresh system passed after ${SECONDS}s"
    exit 0
fi

# Debian's policy checks, clean: no error and no warning (scripts/deps --package installs it).
if ! command -v lintian >/dev/null; then
    bad "lintian is not installed"
elif lintian --fail-on error,warning "$deb" >"$root.lintian" 2>&1; then
    echo "lintian: no error or warning"
else
    bad "lintian: $(grep -v '^running with root privileges' "$root.lintian")"
fi
rm -f "$root.lintian"

depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
# The package names of the Depends field, one a line, without versions.
declared=$(tr ',|' '\n\n' <<<"$depends" | sed 's/(.*)//; s/ //g' | sed '/^$/d')
declares() {
    grep -qxF "$1" <<<"$declared"
}
for lib in libc6 libstdc++6 libssl3 libqt6widgets6 libqt6dbus6 libglib2.0-0 libsystemd0 \
    libx11-6 libxss1; do
    declares "$lib" || bad "Depends lacks $lib"
done

dpkg -x "$deb" "$root"
# The private library folder: lib/zepim or lib/<multiarch>/zepim, as the build's prefix chose.
libdir=$(cd "$root/usr" && find lib -path '*/zepim/libzepimam.so' -printf '%h\n' | head -n1)
libdir=${libdir:-lib/zepim}
for f in usr/bin/zepim usr/bin/zepim-cli usr/bin/zepim-ctl \
    "usr/$libdir/libzepimam.so" "usr/$libdir/libquillbay.so" \
    "usr/$libdir/quillbay-register" usr/include/zepim/addin/quillbay.h \
    usr/share/zepim/help/index.html usr/share/zepim/translations/zepim_de.qm \
    "usr/share/applications/$app_id.desktop" "usr/share/metainfo/$app_id.metainfo.xml" \
    usr/share/icons/hicolor/scalable/apps/zepim.svg usr/share/icons/hicolor/48x48/apps/zepim.png; do
    [ -e "$root/$f" ] || bad "not packaged: $f"
done
[ -e "$root/usr/bin/libzepimam.so" ] && bad "libzepimam.so is in bin/"

# Every ELF file's NEEDED libraries resolve on this machine, and each comes from a package the
# dependencies name (directly: shlibdeps lists the package of every library).
declare -A owner
while IFS= read -r elf; do
    if ! file -b "$elf" | grep -q '^ELF'; then
        continue
    fi
    if ldd "$elf" | grep -q 'not found'; then
        bad "unresolved libraries of ${elf#"$root"}: $(ldd "$elf" | grep 'not found' | tr -s ' \t' ' ')"
    fi
    for needed in $(objdump -p "$elf" | awk '$1 == "NEEDED" { print $2 }'); do
        path=$(ldd "$elf" | awk -v n="$needed" '$1 == n { print $3 }')
        [ -n "$path" ] || continue
        # The package database may know the library by its merged-/usr name or the other.
        if [ -z "${owner[$path]+set}" ]; then
            owner[$path]=$({ dpkg -S "$path" || dpkg -S "$(realpath "$path")"; } 2>/dev/null |
                head -n1 | cut -d: -f1)
        fi
        pkg=${owner[$path]}
        [ -n "$pkg" ] || continue
        declares "$pkg" || bad "${elf#"$root"} needs $needed of $pkg, not declared"
    done
done < <(find "$root/usr/bin" "$root/usr/lib" -type f)

entry=$root/usr/share/applications/$app_id.desktop
desktop-file-validate "$entry" || bad "desktop entry does not validate"
appstreamcli validate --no-net "$root/usr/share/metainfo/$app_id.metainfo.xml" >/dev/null ||
    bad "metainfo does not validate"
exec_line=$(sed -n 's/^Exec=//p' "$entry" | head -n1)
program=${exec_line%% *}
[ -x "$root/usr/bin/$program" ] || bad "Exec=$exec_line does not name a packaged program"

# apt resolves the dependencies on this machine (simulated: nothing is installed).
apt-get install -s --no-install-recommends "$deb" >"$root.apt" 2>&1 ||
    bad "apt cannot install the package: $(tail -n3 "$root.apt")"
rm -f "$root.apt"

echo "files and libraries checked after ${SECONDS}s"
check_start "$root/usr"
echo "packaged messenger checked after ${SECONDS}s"

if [ "$apt" = "--apt" ]; then
    if dpkg-query -W zepim >/dev/null 2>&1; then
        bad "zepim is already installed on this machine; not touching it"
    else
        DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "$deb" >/dev/null
        exec_line=$(sed -n 's/^Exec=//p' "/usr/share/applications/$app_id.desktop" | head -n1)
        check_start /usr
        DEBIAN_FRONTEND=noninteractive apt-get remove -y zepim >/dev/null
    fi
fi
[ $fail -eq 0 ] && echo "package checks passed"
exit $fail
