#!/usr/bin/env bash
# Renders the program's images from their SVG sources in resources/images/src/.
# The rendered files are committed, so a normal build does not need this; run it
# after editing a source. Needs rsvg-convert (librsvg2-bin) and ImageMagick.
#
#   scripts/render-images.sh            every image, and the desktop icons
#   scripts/render-images.sh --icons    only the desktop icons (packaging/icons/)
set -euo pipefail
cd "$(dirname "$0")/../resources/images"

# The application icon of the desktop (hicolor theme sizes); the SVG itself is
# installed as the scalable icon.
icons() {
    local s
    mkdir -p ../../packaging/icons
    for s in 16 22 24 32 48 64 128 256 512; do
        rsvg-convert -w "$s" -h "$s" src/logo.svg -o "../../packaging/icons/q4config-$s.png"
    done
}
if [ "${1:-}" = "--icons" ]; then
    icons
    exit 0
fi
src=src
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

png() { # source size output
    rsvg-convert -w "$2" -h "$2" "$src/$1.svg" -o "$3"
}
ico() { # source output: one file with the usual icon sizes
    local parts=()
    for s in "${@:3}"; do
        rsvg-convert -w "$s" -h "$s" "$src/$1.svg" -o "$tmp/$1-$s.png"
        parts+=("$tmp/$1-$s.png")
    done
    convert "${parts[@]}" "$2"
}
jpg() { # source output
    rsvg-convert "$src/$1.svg" -o "$tmp/$1.png"
    convert "$tmp/$1.png" -background white -flatten -quality 90 "$2"
}

mkdir -p icon background
ico logo KTIcon.ico 16 24 32 48 64 128 256
png logo 64 KTIcon1.png
ico close1 CLOSE1.ico 16 24 32 48 64
png success 64 icon/pic13.png
png failure 64 icon/pic12.png
png comboarrow 24 icon/pic07.png
png arrowup 24 icon/arrow_up.png
png language 64 icon/pic28.png
png minimise 64 icon/pic09.png
png maximise 64 icon/pic10..png
png close 64 icon/pic11.png
rsvg-convert -w 240 -h 80 "$src/ktlogo.svg" -o icon/KTlogo.png
png stable 64 Stable.png
png zero 64 Zero1.png
ico download icon_download.ico 16 24 32 48 64
jpg mainbackground background/mainBackground.jpg
jpg background2 background/background2.jpg
jpg background1 background/background1.jpg
icons
