# shellcheck shell=bash
# Setup-dialog helpers for the end-to-end tests; source after lib.sh. The
# tests answer the dialog themselves, so the harness leaves it alone.
#
#   vsf_wait_dialog [SECS]          waits for the setup dialog, prints its id
#   vsf_client_geometry WINDOW      "X Y WIDTH HEIGHT" of the client area on screen
#   vsf_frame_geometry WINDOW       the same for the window with its frame
#   vsf_wait_show_size W H [SECS]  waits for the show's window with a client area
#                                   of W x H ("screen" for the screen's size);
#                                   prints its id
#   vsf_dialog_boxes FILE WINDOW    the check boxes found in a screenshot, left to
#                                   right, one "X Y CHECKED" line each (screen
#                                   coordinates of the box's centre, CHECKED 0 or 1)

VSF_ANSWER_BOXES=0
VSF_DIALOG_PATTERN='^_{21}$'

vsf_wait_dialog() {
  vsf_wait_window "$VSF_DIALOG_PATTERN" "${1:-20}"
}

vsf_client_geometry() {
  # xwininfo reports where the client really is; xdotool adds the frame.
  xwininfo -id "$1" | awk '
    /Absolute upper-left X:/ { x = $NF }
    /Absolute upper-left Y:/ { y = $NF }
    /^ *Width:/ { w = $NF }
    /^ *Height:/ { h = $NF }
    END { print x, y, w, h }'
}

# The show's window id can change while SDL sets it up (a renderer may
# recreate it), so it is looked up afresh on every try.
vsf_wait_show_size() {
  local want timeout deadline id x y w h
  if [ "$1" = screen ]; then
    want=$(vsf_screen_size)
    timeout=${2:-30}
  else
    want="$1 $2"
    timeout=${3:-30}
  fi
  deadline=$(($(date +%s) + timeout))
  while [ "$(date +%s)" -lt "$deadline" ]; do
    for id in $(vsf_find_window '^velvetstaticfog_1$'); do
      read -r x y w h < <(vsf_client_geometry "$id" 2>/dev/null)
      if [ "$w $h" = "$want" ]; then
        echo "$id"
        return 0
      fi
    done
    vsf_running || return 1
    sleep 0.1
  done
  vsf_log "no show window of $want within ${timeout}s (last: ${w:-?} x ${h:-?})"
  return 1
}

vsf_frame_geometry() {
  local x y w h left right top bottom
  read -r x y w h < <(vsf_client_geometry "$1")
  read -r left right top bottom < <(xprop -id "$1" _NET_FRAME_EXTENTS |
    sed -n 's/.*= *\([0-9]*\), *\([0-9]*\), *\([0-9]*\), *\([0-9]*\).*/\1 \2 \3 \4/p')
  echo "$((x - ${left:-0})) $((y - ${top:-0})) $((w + ${left:-0} + ${right:-0})) $((h + ${top:-0} + ${bottom:-0}))"
}

# A check box shows a white square, with dark tick pixels when checked; the
# rest of the box row is the dialog's grey and dark caption text. A thick
# tick (Wine's) can cut a box into pieces: pieces closer than a box's width
# are one box, checked if any is.
vsf_dialog_boxes() {
  local shot=$1 x y w h band
  read -r x y w h < <(vsf_client_geometry "$2")
  band=$((h * 11 / 27)) # the boxes' row: 11 of the template's 27 units
  "$VSF_CONVERT" "$shot" -crop "${w}x${band}+${x}+${y}" +repage -depth 8 -alpha off txt:- |
    awk -F'[,: ()]+' -v ox="$x" -v oy="$y" '
      /^#/ { next }
      {
        px = $1; py = $2; r = $3; g = $4; b = $5
        if (px > maxX) maxX = px
        if (r == 255 && g == 255 && b == 255) {
          white[px]++
          if (!(px in top) || py < top[px]) top[px] = py
          if (!(px in bottom) || py > bottom[px]) bottom[px] = py
        }
        if (r + g + b < 150) dark[px, py] = 1
      }
      END {
        inBox = 0
        for (px = 0; px <= maxX + 1; px++) {
          isBox = (white[px] >= 4)
          if (isBox && !inBox) { start = px; y0 = 1e9; y1 = -1 }
          if (isBox) {
            if (top[px] < y0) y0 = top[px]
            if (bottom[px] > y1) y1 = bottom[px]
          }
          if (!isBox && inBox) {
            ticks = 0
            for (cx = start; cx < px; cx++)
              for (cy = y0; cy <= y1; cy++)
                if ((cx, cy) in dark) ticks++
            printf "%d %d %d\n", ox + int((start + px - 1) / 2), oy + int((y0 + y1) / 2), (ticks >= 6)
          }
          inBox = isBox
        }
      }' | awk '
    NR > 1 && $1 - lastX < 12 { checked = checked || $3; lastX = $1; next }
    NR > 1 { print x, y, checked }
    { x = $1; y = $2; checked = $3; lastX = $1 }
    END { if (NR > 0) print x, y, checked }'
}
