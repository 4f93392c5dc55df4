#!/usr/bin/env bash
# Installs the build into a scratch prefix and checks what the desktop finds there: the
# programs, the activity monitor and the add-in in the private library folder, the add-in's
# Thunderbird host, the help pages, the translations, the icons, a valid desktop entry and valid
# AppStream metadata that agree on the application id, and manual pages that cover each
# program's --help.
set -euo pipefail
build=$1
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
if ! cmake --install "$build" --prefix "$prefix" >"$prefix.log" 2>&1; then
    echo "cmake --install failed:"
    cat "$prefix.log"
    rm -f "$prefix.log"
    exit 1
fi
rm -f "$prefix.log"
missing=0
# The application id: the desktop entry's name, the metainfo's id and its launchable.
app_id=org.zep.ZEPMessenger
libdir=$(sed -n 's/^CMAKE_INSTALL_LIBDIR:[A-Z]*=//p' "$build/CMakeCache.txt")
for f in bin/zepim bin/zepim-cli bin/zepim-ctl "$libdir/zepim/libzepimam.so" \
    "$libdir/zepim/libquillbay.so" "$libdir/zepim/quillbay-register" \
    include/zepim/addin/quillbay.h include/zepim/addin/host.h \
    share/zepim/translations/zepim_de.qm \
    share/zepim/help/index.html "share/applications/$app_id.desktop" \
    "share/metainfo/$app_id.metainfo.xml" share/icons/hicolor/scalable/apps/zepim.svg \
    share/icons/hicolor/16x16/apps/zepim.png share/icons/hicolor/256x256/apps/zepim.png \
    bin/zep-quillbay-host share/zepim/thunderbird/quillbay@zep-im.example.xpi \
    "share/mozilla/extensions/{3550f703-e582-4d05-9a08-453d09bdfdc6}/quillbay@zep-im.example.xpi" \
    lib/mozilla/native-messaging-hosts/zep_quillbay.json; do
    if [ ! -e "$prefix/$f" ]; then
        echo "not installed: $f"
        missing=1
    fi
done
if [ -e "$prefix/bin/libzepimam.so" ]; then
    echo "the activity monitor is in bin/"
    missing=1
fi
desktop-file-validate "$prefix/share/applications/$app_id.desktop" ||
    { echo "the desktop entry does not validate"; missing=1; }
metainfo=$prefix/share/metainfo/$app_id.metainfo.xml
appstreamcli validate --no-net "$metainfo" || { echo "the metainfo does not validate"; missing=1; }
grep -qF "<id>$app_id</id>" "$metainfo" || { echo "the metainfo's id is not $app_id"; missing=1; }
grep -qF "<launchable type=\"desktop-id\">$app_id.desktop</launchable>" "$metainfo" ||
    { echo "the metainfo does not launch $app_id.desktop"; missing=1; }
# Thunderbird starts the installed host program the manifest names, for the packed extension.
grep -q "\"path\": \"$prefix/bin/zep-quillbay-host\"" \
    "$prefix/lib/mozilla/native-messaging-hosts/zep_quillbay.json" ||
    { echo "the host manifest names another program"; missing=1; }
# Listed first: grep -q ending the pipe early would fail it under pipefail.
listing=$(unzip -l "$prefix/share/zepim/thunderbird/quillbay@zep-im.example.xpi")
grep -q ' manifest.json$' <<<"$listing" ||
    { echo "the packed extension has no manifest.json"; missing=1; }
# Each program's manual page names every option and command its --help lists.
for program in zepim zepim-cli zepim-ctl zep-quillbay-host; do
    page=$prefix/share/man/man1/$program.1.gz
    [ -f "$page" ] || { echo "no manual page $page"; missing=1; continue; }
    text=$(zcat "$page" | sed 's/\\-/-/g')
    usage=$(QT_QPA_PLATFORM=offscreen "$prefix/bin/$program" --help 2>&1)
    for word in $(grep -oE -- '--[a-z][a-z-]*|^  [a-z][a-z-]*|\| [a-z][a-z-]*' <<<"$usage" |
        tr -d ' |' | sort -u); do
        grep -qF -- "$word" <<<"$text" || { echo "man page of $program lacks $word"; missing=1; }
    done
done
# The installed messenger answers from its new place (no display needed for --version).
version=$("$prefix/bin/zepim" --version 2>&1) || true
grep -q '^zepim ' <<<"$version" || { echo "zepim --version said: $version"; missing=1; }
exit $missing
