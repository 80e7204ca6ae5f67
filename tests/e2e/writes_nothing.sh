#!/usr/bin/env bash
# The program keeps no state: a run writes no file anywhere, whether the setup
# dialog is cancelled or a show is played. HOME is a fresh empty folder that
# must stay empty, and strace watches every file the program opens or makes.
source "$(dirname "$0")/lib.sh"
vsf_setup "$@"
music=qx-731_030321_4_tessellated.ogg
command -v strace >/dev/null || vsf_fail "strace is not installed"
real_program=$(realpath "$VSF_PROGRAM")
home="$VSF_TMP/home"
run="$VSF_TMP/run"
mkdir -p "$home" "$run"
cp "$VSF_BUILD_DIR/$music" "$run/"

# Successful calls that open a file for writing or make, move or remove one.
VSF_PROGRAM="$VSF_TMP/traced"
cat >"$VSF_PROGRAM" <<SCRIPT
#!/bin/sh
exec strace -f -qq -o "$VSF_TMP/trace.\$\$" -e status=successful \
  -e trace=open,openat,openat2,creat,mkdir,mkdirat,mknod,mknodat,rename,renameat,renameat2,link,linkat,symlink,symlinkat,unlink,unlinkat,rmdir,truncate \
  "$real_program"
SCRIPT
chmod +x "$VSF_PROGRAM"

# Writes the program made, one a line; /dev is not a file system of files.
writes() {
  cat "$VSF_TMP"/trace.* | grep -E '^[0-9]+ +[a-z0-9_]+\(' | grep -v -E '"/dev/' |
    grep -v -E '^[0-9]+ +(open|openat|openat2)\('
  cat "$VSF_TMP"/trace.* | grep -E '^[0-9]+ +open(at|at2)?\(.*(O_WRONLY|O_RDWR|O_CREAT|O_TRUNC)' |
    grep -v -E '"/dev/'
}

check_nothing_written() {
  local found
  found=$(find "$home" -mindepth 1)
  [ -z "$found" ] || vsf_fail "files appeared in HOME after $1: $found"
  found=$(find "$run" -mindepth 1 ! -name "$music")
  [ -z "$found" ] || vsf_fail "files appeared in the working folder after $1: $found"
  found=$(writes)
  [ -z "$found" ] || vsf_fail "the program wrote after $1: $found"
  ls "$VSF_TMP"/trace.* >/dev/null 2>&1 || vsf_fail "no trace of the program after $1"
}

# The user's folders all point into the fresh HOME.
environment=(HOME="$home" -u XDG_CONFIG_HOME -u XDG_CACHE_HOME -u XDG_DATA_HOME -u XDG_STATE_HOME)
vsf_start_x 1024x768x24
VSF_ANSWER_BOXES=0

vsf_start_program "$run" "${environment[@]}"
dialog=$(vsf_wait_window '^_{21}$' 30) || vsf_fail "the setup dialog did not appear"
vsf_key "$dialog" Escape
vsf_wait_exit 20 || vsf_fail "still running after the dialog was cancelled"
[ "$VSF_EXIT_CODE" = 1 ] || vsf_fail "exit code $VSF_EXIT_CODE after cancelling, expected 1"
check_nothing_written "a cancelled dialog"

# A show in a window, with its music, ended by Escape.
vsf_start_program "$run" "${environment[@]}"
dialog=$(vsf_wait_window '^_{21}$' 30) || vsf_fail "the setup dialog did not appear"
vsf_key "$dialog" Tab space Return
window=$(vsf_wait_window '^velvetstaticfog_1$' 30) || vsf_fail "the show did not start"
sleep 3
vsf_key "$window" Escape
vsf_wait_exit 20 || vsf_fail "the show did not end after Escape"
[ "$VSF_EXIT_CODE" = 0 ] || vsf_fail "exit code $VSF_EXIT_CODE after the show, expected 0"
check_nothing_written "a show"
vsf_pass "neither a cancelled dialog nor a show writes a file"
