#!/usr/bin/env bash
# package.sh BUILD_DIR: installs into a scratch folder and checks the layout and the desktop
# files, builds the .deb, unpacks it into a scratch root and starts the program from there.
set -euo pipefail
BUILD=$1
WORK=$(mktemp -d)
APP=
cleanup() {
    [ -n "$APP" ] && kill "$APP" 2>/dev/null || true
    rm -rf "$WORK"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

cmake --install "$BUILD" --prefix "$WORK/prefix" >/dev/null
for f in bin/tockles share/applications/tockles.desktop share/metainfo/org.tockles.Tockles.metainfo.xml \
    share/icons/hicolor/scalable/apps/tockles.svg share/icons/hicolor/48x48/apps/tockles.png \
    share/icons/hicolor/256x256/apps/tockles.png share/icons/hicolor/scalable/apps/tockles-symbolic.svg \
    share/icons/hicolor/scalable/apps/tockles-tracking-symbolic.svg share/man/man1/tockles.1.gz \
    share/doc/tockles/copyright share/doc/tockles/changelog.gz; do
    [ -f "$WORK/prefix/$f" ] || fail "not installed: $f"
done
[ "$(identify -format '%w %h' "$WORK/prefix/share/icons/hicolor/48x48/apps/tockles.png")" = "48 48" ] || fail "48 px icon size"
desktop-file-validate "$WORK/prefix/share/applications/tockles.desktop"
# Warnings are allowed, errors are not, as with lintian below: newer appstream fails on a missing
# homepage, and Tockles has none to name.
METAINFO="$WORK/prefix/share/metainfo/org.tockles.Tockles.metainfo.xml"
appstreamcli validate --no-net "$METAINFO" >"$WORK/appstream" 2>&1 \
    || { grep -q '^W:' "$WORK/appstream" && ! grep -q '^E:' "$WORK/appstream"; } \
    || fail "appstreamcli: $(cat "$WORK/appstream")"

(cd "$WORK" && cpack --config "$BUILD/CPackConfig.cmake" -B "$WORK/deb" >/dev/null)
DEB=$(ls "$WORK"/deb/tockles_*.deb)
DEPENDS=$(dpkg-deb -f "$DEB" Depends)
for lib in libqt6gui6 libqt6widgets6 libqt6svg6 "libsimdjson[0-9]" libc6; do
    grep -q "$lib" <<<"$DEPENDS" || fail "Depends lacks $lib: $DEPENDS"
done
for pkg in qt6-wayland qt6-translations-l10n; do
    dpkg-deb -f "$DEB" Recommends | grep -q "$pkg" || fail "Recommends lacks $pkg"
done
# As a distribution would judge it; warnings are allowed, errors are not.
lintian --fail-on error "$DEB" >"$WORK/lintian" 2>&1 \
    || fail "lintian: $(cat "$WORK/lintian")"
dpkg-deb -c "$DEB" > "$WORK/contents"
grep -q './usr/bin/tockles$' "$WORK/contents" || fail "no /usr/bin/tockles in the package"

dpkg -x "$DEB" "$WORK/root"
export HOME="$WORK/home" XDG_DATA_HOME="$WORK/home/.local/share" XDG_RUNTIME_DIR="$WORK/runtime"
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
QT_QPA_PLATFORM=offscreen "$WORK/root/usr/bin/tockles" &
APP=$!
for ((i = 0; i < 200; i++)); do
    [ -e "$XDG_DATA_HOME/Tockles/tockles.lock" ] && break
    kill -0 "$APP" 2>/dev/null || fail "the unpacked program ended at once"
    sleep 0.05
done
[ -e "$XDG_DATA_HOME/Tockles/tockles.lock" ] || fail "the unpacked program never claimed its data folder"
kill -0 "$APP" || fail "the unpacked program did not keep running"
echo "package: $(basename "$DEB") installs, validates and runs"
