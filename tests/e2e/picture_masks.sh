# shellcheck shell=bash
# Source after lib.sh. vsf_picture_masks FILE writes, for every embedded
# picture, the pixels that the level transform leaves non-zero in the even
# picture rows 0..78 (the rows the show draws): "k x row level" per line.
# Picture 32 never shows anything and has no lines.

VSF_PICTURES="$(cd "$(dirname "${BASH_SOURCE[0]}")/../../src/images/pictures" && pwd)"

vsf_picture_masks() {
  local k
  for k in $(seq -w 0 78); do
    [ "$k" = 32 ] && continue
    "$VSF_CONVERT" "$VSF_PICTURES/picture_$k.pcx" -crop 640x79+0+0 +repage -depth 8 gray:- |
      od -An -v -tu1 -w640 |
      awk -v k="$((10#$k))" 'NR % 2 == 1 {
        for (x = 1; x <= NF; x++) { level = (255 - $x) % 3; if (level) print k, x - 1, NR - 1, level }
      }'
  done >"$1"
  [ -s "$1" ] || vsf_fail "could not read the pictures in $VSF_PICTURES"
}
