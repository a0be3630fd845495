#!/usr/bin/env bash
# Builds the .deb from a finished build folder and checks what it holds: the program with its
# content in /usr/lib/pikomoji, the link in /usr/bin, the checker and the lesson maker (which
# makes a lesson from the packaged files), manual pages, the desktop entry with its lesson
# actions, the icons, valid AppStream metainfo, the Debian changelog and copyright, dependencies
# that pull in Qt, SDL2 and the fonts, and no error or warning from lintian.
# usage: check-package.sh BUILD_DIR
set -euo pipefail
build=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# cpack writes the Japanese file names through the locale; a machine may have none set.
(cd "$build" && LC_ALL=C.UTF-8 cpack -G DEB -B "$work" >/dev/null)
deb=$(ls "$work"/pikomoji_*.deb)
dpkg-deb -c "$deb" >"$work/contents"
dpkg-deb -x "$deb" "$work/root"
failed=0
expect() { # what, test...
    local what=$1
    shift
    if "$@"; then echo "ok: $what"; else echo "MISSING: $what"; failed=1; fi
}
has() { grep -q -- "$1" "$work/contents"; }
not() { ! "$@"; }

r=$work/root/usr
expect "program in /usr/lib/pikomoji" test -x "$r/lib/pikomoji/pikomoji"
expect "link /usr/bin/pikomoji to it" test "$(readlink "$r/bin/pikomoji")" = ../lib/pikomoji/pikomoji
expect "lesson checker" test -x "$r/bin/pikomoji-check"
expect "starter lesson" test -s "$r/lib/pikomoji/data/data.txt"
expect "word pictures and marks" test -s "$r/lib/pikomoji/pic/すごい.jpg" -a -s "$r/lib/pikomoji/pic/しっかり.jpg"
expect "voice clips for every kana" test "$(ls "$r/lib/pikomoji/voice" | grep -c '\.wav$')" -eq 165
for lesson in animals food katakana; do
    expect "lesson $lesson passes the checker with the shared clips" \
        "$r/bin/pikomoji-check" --voice "$r/lib/pikomoji/voice" "$r/lib/pikomoji/lessons/$lesson/data"
done
expect "desktop entry" desktop-file-validate "$r/share/applications/jp.pikomoji.Pikomoji.desktop"
# The desktop shows the launcher icon at every hicolor size; the windows' generic icon is not it.
assets=$(dirname "$0")/../assets
expect "scalable launcher icon" cmp -s "$assets/launcher.svg" "$r/share/icons/hicolor/scalable/apps/jp.pikomoji.Pikomoji.svg"
for size in 16 22 24 32 48 64 72 96 128 192 256 512; do
    expect "$size px launcher icon" cmp -s "$assets/launcher-$size.png" "$r/share/icons/hicolor/${size}x${size}/apps/jp.pikomoji.Pikomoji.png"
done
expect "lesson checker passes the starter lesson" "$r/bin/pikomoji-check" "$r/lib/pikomoji/data"
expect "lesson maker" test -x "$r/bin/pikomoji-lesson"
printf 'いぬ 🐶\nパン 🍞\nきって 💌\n' >"$work/words.txt"
expect "lesson maker makes a lesson the checker passes, with the packaged marks and clips" \
    "$r/bin/pikomoji-lesson" "$work/words.txt" "$work/made"
for page in pikomoji pikomoji-check pikomoji-lesson; do
    expect "manual page $page(1)" gzip -t "$r/share/man/man1/$page.1.gz"
    expect "Japanese manual page $page(1)" zgrep -q '^\.SH 名前' "$r/share/man/ja/man1/$page.1.gz"
done
expect "copyright" grep -q "^Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/" "$r/share/doc/pikomoji/copyright"
expect "changelog" gzip -t "$r/share/doc/pikomoji/changelog.gz"
expect "README in Japanese" test -s "$r/share/doc/pikomoji/README.ja.md"
desktop=$r/share/applications/jp.pikomoji.Pikomoji.desktop
expect "desktop entry opens a folder" grep -qx 'Exec=pikomoji %f' "$desktop"
# Registered for a type, it would open every folder on a desktop with no default file manager.
expect "desktop entry claims no file type" not grep -q '^MimeType=' "$desktop"
for lesson in animals food katakana; do
    expect "desktop action opens lesson $lesson" \
        grep -qx "Exec=pikomoji /usr/lib/pikomoji/lessons/$lesson" "$desktop"
done
expect "metainfo validates pedantically" appstreamcli validate --pedantic --no-net "$r/share/metainfo/jp.pikomoji.Pikomoji.metainfo.xml"
# lintian: every tag it prints is shown; an error or a warning fails the check.
lintian --fail-on error,warning --tag-display-limit 0 "$deb" >"$work/lintian" 2>&1 && lintian_ok=true || lintian_ok=false
sed 's/^/    /' "$work/lintian"
expect "lintian finds no error and no warning" $lintian_ok
depends=$(dpkg-deb -f "$deb" Depends)
for d in libqt6widgets6 libsdl2 fonts-klee fonts-motoya-l-maruberi libheif1 qt6-image-formats-plugins; do
    expect "depends on $d" grep -q "$d" <<<"$depends"
done
exit $failed
