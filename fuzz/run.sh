#!/usr/bin/env bash
# Runs the fuzz targets built in $FUZZ_BUILD, one process at a time.
#   fuzz/run.sh smoke [target...]  replay every seed and fuzz/regressions/<target>,
#                                  then fuzz each target FUZZ_SMOKE_SECONDS (30)
#   fuzz/run.sh long [target...]   fuzz each target FUZZ_SECONDS (600), growing
#                                  $FUZZ_BUILD/corpus/<target>
#   fuzz/run.sh coverage [target...]
#                                  with coverage-instrumented targets in $FUZZ_BUILD,
#                                  run $FUZZ_CORPUS/<target>, the seeds and
#                                  fuzz/regressions once each and report what they
#                                  reach in $FUZZ_BUILD/coverage.txt
# Crash, leak, timeout and out-of-memory files go to $FUZZ_BUILD/crashes/;
# one line of libFuzzer's final statistics per run goes to $FUZZ_BUILD/stats.tsv.
# Exits non-zero when any target failed; the others still run.
set -uo pipefail
cd "$(dirname "$0")/.."

mode=${1:-}
shift || true
FUZZ_BUILD=${FUZZ_BUILD:-build-fuzz}
data=tests/data
regressions=fuzz/regressions

all_targets=(
  fuzz_decode_jpg fuzz_decode_png fuzz_decode_bmp fuzz_decode_tga fuzz_decode_tif
  fuzz_template fuzz_frame_template fuzz_roundtrip fuzz_import_package fuzz_card_file
  fuzz_decode_gif fuzz_decode_ico fuzz_decode_pcx fuzz_decode_wbmp fuzz_decode_wmf
  fuzz_decode_jp2 fuzz_decode_jpc fuzz_decode_pgx fuzz_decode_pnm fuzz_decode_ras
  fuzz_decode_webp fuzz_decode_heif fuzz_decode_avif fuzz_decode_any
)

# Seed folders, dictionary and the largest input of each target. A decoder
# input of 256 KiB holds every structure the formats have; the limits of
# 512 MiB and 10 s bound what any input may cost.
seeds() {
  case $1 in
    fuzz_decode_bmp) echo $data/bmp ;;
    fuzz_decode_gif) echo $data/gif ;;
    fuzz_decode_jpg) echo $data/jpeg ;;
    fuzz_decode_png) echo $data/png ;;
    fuzz_decode_ico) echo $data/ico ;;
    fuzz_decode_tif) echo $data/tiff ;;
    fuzz_decode_tga) echo $data/tga ;;
    fuzz_decode_pcx) echo $data/pcx ;;
    fuzz_decode_wbmp) echo $data/wbmp ;;
    fuzz_decode_wmf) echo fuzz/seeds/wmf ;;
    fuzz_decode_jp2 | fuzz_decode_jpc | fuzz_decode_pgx | fuzz_decode_pnm | fuzz_decode_ras) echo $data/jp2 ;;
    fuzz_decode_webp) echo fuzz/seeds/webp ;;
    fuzz_decode_heif | fuzz_decode_avif) echo fuzz/seeds/heif ;;
    fuzz_template) echo $data/template fuzz/seeds/template ;;
    fuzz_import_package) echo fuzz/seeds/import_package ;;
    fuzz_card_file) echo fuzz/seeds/card ;;
    fuzz_frame_template) echo fuzz/seeds/frame $data/png $data/gif $data/ico ;;
    fuzz_decode_any | fuzz_roundtrip)
      echo $data/bmp $data/gif $data/jpeg $data/png $data/ico $data/tiff $data/tga $data/pcx $data/wbmp \
        $data/jp2 fuzz/seeds/wmf fuzz/seeds/webp fuzz/seeds/heif ;;
  esac
}
dict() {
  case $1 in
    fuzz_decode_bmp) echo bmp ;;
    fuzz_decode_gif) echo gif ;;
    fuzz_decode_jpg) echo jpeg ;;
    fuzz_decode_png) echo png ;;
    fuzz_decode_ico) echo ico ;;
    fuzz_decode_tif) echo tiff ;;
    fuzz_decode_tga) echo tga ;;
    fuzz_decode_pcx) echo pcx ;;
    fuzz_decode_jp2 | fuzz_decode_jpc | fuzz_decode_pgx | fuzz_decode_pnm | fuzz_decode_ras) echo jp2 ;;
    fuzz_decode_webp) echo webp ;;
    fuzz_decode_heif | fuzz_decode_avif) echo heif ;;
    fuzz_template) echo template ;;
    fuzz_card_file) echo card ;;
  esac
}
max_len() {
  case $1 in
    fuzz_template) echo 131072 ;;
    fuzz_roundtrip) echo 65536 ;;
    fuzz_decode_wbmp | fuzz_decode_wmf) echo 65536 ;;
    *) echo 262144 ;;
  esac
}

# The template and card file targets' processes start at about 200 MiB (Qt, fontconfig and
# the system's fonts under AddressSanitizer) before any input, and one card
# may hold a few 4096 x 4096 working pictures; a single allocation is still
# stopped at 512 MiB by -malloc_limit_mb.
rss_limit() {
  case $1 in
    fuzz_template | fuzz_card_file) echo 1024 ;;
    *) echo 512 ;;
  esac
}
limits=(-malloc_limit_mb=512 -timeout=10)
# AddressSanitizer holds up to 256 MiB of freed memory by default, which
# would count against the 512 MiB; a smaller quarantine still catches the
# use of memory freed within the same input.
export ASAN_OPTIONS=${ASAN_OPTIONS:+$ASAN_OPTIONS:}quarantine_size_mb=64

# Every file under the given folders, for a replay that runs each exactly
# as it is (corpus folders would be cut to -max_len).
files_in() {
  local dir
  for dir in "$@"; do
    [[ -d $dir ]] && find "$dir" -type f ! -name 'README*' | sort
  done
}

failed=()
log_dir=$FUZZ_BUILD/logs
mkdir -p "$log_dir" "$FUZZ_BUILD/crashes"
stats=$FUZZ_BUILD/stats.tsv
[[ -f $stats ]] || printf 'target\tmode\tseconds\texecutions\texec/s\tcov\tft\tcorpus\tpeak_rss_mb\n' > "$stats"

# The last status line and the final statistics of a libFuzzer log.
record_stats() {
  local target=$1 kind=$2 seconds=$3 log=$4
  local line cov ft corp execs rate rss
  line=$(grep -E '^#[0-9]+' "$log" | tail -n 1)
  cov=$(sed -nE 's/.* cov: ([0-9]+).*/\1/p' <<<"$line")
  ft=$(sed -nE 's/.* ft: ([0-9]+).*/\1/p' <<<"$line")
  corp=$(sed -nE 's/.* corp: ([0-9]+).*/\1/p' <<<"$line")
  execs=$(sed -nE 's/^stat::number_of_executed_units: ([0-9]+)/\1/p' "$log")
  rate=$(sed -nE 's/^stat::average_exec_per_sec: +([0-9]+)/\1/p' "$log")
  rss=$(sed -nE 's/^stat::peak_rss_mb: +([0-9]+)/\1/p' "$log")
  printf '%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\n' "$target" "$kind" "$seconds" "${execs:-?}" "${rate:-?}" \
    "${cov:-?}" "${ft:-?}" "${corp:-?}" "${rss:-?}" | tee -a "$stats"
}

run_target() {
  local target=$1 seconds=$2 corpus=$3
  local bin=$FUZZ_BUILD/fuzz/$target
  if [[ ! -x $bin ]]; then
    echo "fuzz: $bin is missing (make fuzz-build)" >&2
    failed+=("$target (missing)")
    return
  fi
  local -a seed_dirs
  read -r -a seed_dirs <<<"$(seeds "$target")"
  local d
  d=$(dict "$target")
  local -a dict_arg=()
  [[ -n $d ]] && dict_arg=(-dict=fuzz/dict/$d.dict)
  local artifacts=$FUZZ_BUILD/crashes/$target-

  if [[ $mode == coverage ]]; then
    local -a inputs=()
    for d in "$FUZZ_CORPUS/$target" "${seed_dirs[@]}" "$regressions/$target"; do
      [[ -d $d ]] && inputs+=("$d")
    done
    echo "== $target: running ${inputs[*]}"
    if ! LLVM_PROFILE_FILE=$FUZZ_BUILD/profiles/$target.profraw "$bin" "${limits[@]}" -rss_limit_mb=0 -runs=0 \
        -artifact_prefix="$artifacts" "${inputs[@]}" >"$log_dir/$target.coverage.log" 2>&1; then
      echo "fuzz: $target failed on an input; see $log_dir/$target.coverage.log" >&2
      failed+=("$target (coverage)")
    fi
    objects+=(-object "$bin")
    return
  fi

  if [[ $mode == smoke ]]; then
    local -a replay
    mapfile -t replay < <(files_in "${seed_dirs[@]}" "$regressions/$target")
    if ((${#replay[@]})); then
      echo "== $target: replaying ${#replay[@]} files"
      if ! "$bin" "${limits[@]}" -rss_limit_mb="$(rss_limit "$target")" -artifact_prefix="$artifacts" "${replay[@]}" >"$log_dir/$target.replay.log" 2>&1; then
        echo "fuzz: $target failed on a replayed file; see $log_dir/$target.replay.log" >&2
        grep -E 'ERROR|SUMMARY|runtime error|Running:|broken|fuzz_' "$log_dir/$target.replay.log" | tail -n 20 >&2
        failed+=("$target (replay)")
        return
      fi
    fi
  fi

  mkdir -p "$corpus"
  echo "== $target: fuzzing ${seconds}s"
  local log=$log_dir/$target.$mode.log
  # The smoke run starts from a fixed seed, so that a CI run can be repeated.
  local -a seed_arg=()
  [[ $mode == smoke ]] && seed_arg=(-seed=1)
  if ! "$bin" "${limits[@]}" -rss_limit_mb="$(rss_limit "$target")" "${seed_arg[@]}" \
      -max_len="$(max_len "$target")" -max_total_time="$seconds" -print_final_stats=1 \
      -artifact_prefix="$artifacts" "${dict_arg[@]}" "$corpus" "${seed_dirs[@]}" \
      $( [[ -d $regressions/$target ]] && echo "$regressions/$target" ) >"$log" 2>&1; then
    echo "fuzz: $target found a fault; see $log and ${artifacts}*" >&2
    grep -E 'ERROR|SUMMARY|runtime error|broken|fuzz_|Test unit written' "$log" | tail -n 20 >&2
    failed+=("$target")
  fi
  record_stats "$target" "$mode" "$seconds" "$log"
}

case $mode in
  smoke) seconds=${FUZZ_SMOKE_SECONDS:-30} ;;
  long) seconds=${FUZZ_SECONDS:-600} ;;
  coverage)
    seconds=0
    FUZZ_CORPUS=${FUZZ_CORPUS:-build-fuzz/corpus}
    rm -rf "$FUZZ_BUILD/profiles"
    mkdir -p "$FUZZ_BUILD/profiles"
    objects=()
    ;;
  *) echo "usage: fuzz/run.sh smoke|long|coverage [target...]" >&2; exit 2 ;;
esac
targets=("$@")
((${#targets[@]})) || targets=("${all_targets[@]}")

for target in "${targets[@]}"; do
  if [[ $mode == coverage ]]; then
    run_target "$target" 0 ""
    continue
  fi
  if [[ $mode == smoke ]]; then
    # A fresh corpus each time keeps the smoke run's length fixed.
    corpus=$FUZZ_BUILD/smoke-corpus/$target
    rm -rf "$corpus"
  else
    corpus=$FUZZ_BUILD/corpus/$target
  fi
  run_target "$target" "$seconds" "$corpus"
done

# One report over every target's runs: lines, functions, regions and branches
# of the program's own sources, file by file.
if [[ $mode == coverage ]] && ((${#objects[@]})); then
  profile=$FUZZ_BUILD/coverage.profdata
  llvm-profdata-14 merge -sparse "$FUZZ_BUILD"/profiles/*.profraw -o "$profile"
  llvm-cov-14 report -instr-profile="$profile" -show-branch-summary \
    -ignore-filename-regex='^/usr/|/tests/|/fuzz/' "${objects[@]:1}" >"$FUZZ_BUILD/coverage.txt"
  echo "fuzz: coverage report in $FUZZ_BUILD/coverage.txt"
  tail -n 1 "$FUZZ_BUILD/coverage.txt"
fi

if ((${#failed[@]})); then
  echo "fuzz: failed: ${failed[*]}" >&2
  exit 1
fi
echo "fuzz: all ${#targets[@]} targets clean"
