# Checks on a report of "name: value unit" lines, sourced by the scripts that
# hold a built file to its numbers. They read $measured and count $failures.
failures=0

# The first number after "NAME: " (the Nth with a second argument).
value() { awk -F': ' -v key="$1" -v n="${2:-1}" '$1 == key { split($2, v, " "); print v[n] }' <<<"$measured"; }

# NAME MIN MAX: the reported value lies in [MIN, MAX].
check() {
  local got
  got=$(value "$1")
  if [ -z "$got" ] || ! awk -v g="$got" -v lo="$2" -v hi="$3" 'BEGIN { exit !(g >= lo && g <= hi) }'; then
    echo "FAIL: $1 is ${got:-missing}, not within [$2, $3]"
    failures=$((failures + 1))
  fi
}

# NAME TEXT: the reported value reads TEXT.
check_text() {
  local got
  got=$(awk -F': ' -v key="$1" '$1 == key { print $2 }' <<<"$measured")
  [ "$got" = "$2" ] || { echo "FAIL: $1 is '${got}', not '$2'"; failures=$((failures + 1)); }
}

# A B GAP: the value of A lies at least GAP above the value of B.
check_above() {
  local a b
  a=$(value "$1")
  b=$(value "$2")
  if [ -z "$a" ] || [ -z "$b" ] || ! awk -v a="$a" -v b="$b" -v gap="$3" 'BEGIN { exit !(a - b >= gap) }'; then
    echo "FAIL: $1 (${a:-missing}) is not $3 above $2 (${b:-missing})"
    failures=$((failures + 1))
  fi
}
