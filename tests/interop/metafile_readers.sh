#!/usr/bin/env bash
# Other programs read the metafiles zeltpaint writes and must show the
# picture zeltpaint paints: libwmf's wmf2gd reads the classic metafile,
# LibreOffice both kinds. Two images: the 24-bit demo image and the same
# image stored as an 8-bit palette image.
#
# LibreOffice shows the picture exactly (mean difference at most 2 levels,
# measured 0). wmf2gd smooths the DIB as it draws it and samples between
# pixels (a one-pixel line comes out as two half-grey ones), so its mean
# difference on this detailed image is about 7 levels; every one of its
# pixels must still lie within what resampling the neighbourhood explains.
#
#   metafile_readers.sh ZELTPAINT WORKDIR
#
# Exit 0 when every reader's picture matches, 1 when one does not, 77 when
# a reader is not installed (the test is then reported as skipped).
set -uo pipefail
zeltpaint=$1
work=$2
here=$(cd "$(dirname "$0")" && pwd)
for program in wmf2gd soffice convert identify; do
    if ! command -v "$program" >/dev/null; then
        echo "skipped: $program is not installed (scripts/zelt.sh test installs it)"
        exit 77
    fi
done
rm -rf "$work" && mkdir -p "$work"
failed=0
check() {
    python3 "$here/compare_pictures.py" "$@" || failed=1
}
for image in demo24:"" demo8:"--depth 8"; do
    name=${image%%:*}
    options=${image#*:}
    dir="$work/$name"
    mkdir -p "$dir"
    # shellcheck disable=SC2086
    "$zeltpaint" $options --device 24 -o "$dir/painted.png" --wmf "$dir/picture.wmf" --emf "$dir/picture.emf" >/dev/null ||
        { echo "zeltpaint failed for $name"; exit 1; }
    read -r width height < <(identify -format "%w %h\n" "$dir/painted.png")
    wmf2gd --maxwidth="$width" --maxheight="$height" --maxsize -t png -o "$dir/wmf2gd.png" "$dir/picture.wmf" ||
        { echo "wmf2gd could not read $name"; failed=1; }
    [[ -f $dir/wmf2gd.png ]] && check "$dir/painted.png" "$dir/wmf2gd.png" --mae 8
    for kind in wmf emf; do
        out="$dir/office-$kind"
        timeout 180 soffice -env:UserInstallation="file://$work/office-profile" --headless --convert-to png \
            --outdir "$out" "$dir/picture.$kind" >/dev/null 2>&1
        if [[ -f $out/picture.png ]]; then
            # The suite centres the picture on a page: trimming the page
            # leaves the picture.
            convert "$out/picture.png" -background white -flatten -trim +repage "$out/trimmed.png"
            check "$dir/painted.png" "$out/trimmed.png"
        else
            echo "LibreOffice could not convert $name.$kind"
            failed=1
        fi
    done
done
exit $failed
