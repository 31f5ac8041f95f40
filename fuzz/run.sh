#!/usr/bin/env bash
# Runs every fuzz target of a build for a bounded time, one after another, on
# seeds made from the test fixtures.
#
#   bash fuzz/run.sh BUILD_DIR SECONDS [TARGET...]
#
# Corpora grow in BUILD_DIR/corpus/TARGET, crashes land in
# BUILD_DIR/crashes/TARGET. FUZZ_RUNS (default unlimited) stops a target after
# that many executions; FUZZ_FLAGS adds libFuzzer flags.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:?build folder}" && pwd)
seconds=${2:-60}
shift 2 || true
targets=("$@")
if ((${#targets[@]} == 0)); then
  targets=(dollar_hex text ini last_news_id tagged_text news skin config brand_settings render cipher)
fi
data=$root/tests/data
sep=$'\n@@LETTER@@\n'

seeds_of() {
  local target=$1 dir=$build/seeds/$1
  rm -rf "$dir" && mkdir -p "$dir"
  case $target in
    tagged_text)
      for f in "$data"/letter/*.set "$data"/render/*.set "$data"/brand/*.txt; do
        { printf 'PageTitle|prfEditor3|prfEditor4|Features|FSize|Welcome1|AboutText\n'; cat "$f"; } \
          >"$dir/$(basename "$f")"
      done ;;
    config)
      cp "$data"/letter/*.set "$data"/render/*.set "$dir"/ ;;
    render)
      for t in "$data"/render/*.tem "$root"/Templates/*.tem; do
        for s in "$data"/letter/*.set "$data"/render/*.set; do
          { cat "$t"; printf '%s' "$sep"; cat "$s"; } >"$dir/$(basename "$t" .tem)-$(basename "$s" .set)"
        done
      done ;;
    brand_settings)
      cp "$data"/brand/*.txt "$dir"/ ;;
    ini)
      for f in "$data"/online/*.inf; do
        { printf 'Application|Version\n'; cat "$f"; } >"$dir/$(basename "$f")"
      done ;;
    news)
      printf '12^Spring sale^2024-03-01\xaf11^Old news^2024-01-01\xafOK' >"$dir/list"
      printf '12^Spring sale\xafOK' >"$dir/latest"
      printf '$3Cp$3EHello$2C world$3C/p$3E\xafOK' >"$dir/details"
      printf 'INVALIDNEWS' >"$dir/invalid" ;;
    last_news_id)
      for f in "$data"/brand/*.txt; do
        { printf '42\n'; cat "$f"; } >"$dir/$(basename "$f")"
      done
      printf '7\n<%%%%LastNewsId%%%%>5<%%%%/LastNewsId%%%%>\r\n' >"$dir/stored" ;;
    dollar_hex)
      printf '$3Cp$3EHello$2C world$3C/p$3E' >"$dir/escaped"
      printf 'plain $4' >"$dir/short" ;;
    text)
      printf '#FFCC00' >"$dir/colour"
      printf '^Fast^Very$$quick^' >"$dir/feature"
      printf '<html>\r\n<body>a  b</body>\r\n</html>' >"$dir/editor"
      printf -- '-$7FFFFFFF' >"$dir/number" ;;
    skin)
      python3 -c 'import sys, zlib; sys.stdout.buffer.write(zlib.compress(b"QWidget { color: #123456; }\n", 9))' \
        >"$dir/sheet" ;;
    cipher)
      # Enciphered with the settings pass phrase by the fixture's own script.
      python3 - "$data/cipher/make_known_answers.py" "$data/brand/full_settings.txt" "$dir" <<'PY' || true
import sys
exec(open(sys.argv[1]).read().split("\nCASES = ")[0])
plain = open(sys.argv[2], "rb").read()
for name, salt, text in (("settings", b"\x01" * 8, plain), ("empty", b"\x02" * 8, b"")):
    open(f"{sys.argv[3]}/{name}", "wb").write(encipher(b"zenqovilrd", salt, text))
PY
      ;;
  esac
  echo "$dir"
}

failed=()
for target in "${targets[@]}"; do
  binary=$build/fuzz/fuzz_$target
  corpus=$build/corpus/$target
  crashes=$build/crashes/$target
  mkdir -p "$corpus" "$crashes"
  seeds=$(seeds_of "$target")
  dict=()
  if [[ -f $root/fuzz/dicts/$target.dict ]]; then
    dict=(-dict="$root/fuzz/dicts/$target.dict")
  fi
  echo "== $target: up to ${seconds}s"
  # A finding stops this target only; the others still run.
  if ! nice -n 10 "$binary" "${dict[@]}" -max_total_time="$seconds" -runs="${FUZZ_RUNS:--1}" \
    -rss_limit_mb=2048 -timeout=10 -artifact_prefix="$crashes/" -print_final_stats=1 \
    ${FUZZ_FLAGS:-} "$corpus" "$seeds"; then
    failed+=("$target")
  fi
done
if ((${#failed[@]} > 0)); then
  echo "Findings in: ${failed[*]} (inputs in $build/crashes/)" >&2
  exit 1
fi
