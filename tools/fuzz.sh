#!/usr/bin/env bash
# Builds the fuzz targets of the pure rules with clang's libFuzzer under
# AddressSanitizer and UndefinedBehaviorSanitizer (build/fuzz), then runs
# one target or each in turn for SECONDS seconds (default 10), keeping each
# target's corpus in build/fuzz/corpus/TARGET. A broken promise or a
# sanitizer report stops the run with the input saved in build/fuzz/.
#   tools/fuzz.sh [TARGET|all] [SECONDS]
# TARGET: option_reader folder_value_span open_command environment_expansion
#         restart_list run_log payload_names folder_chain
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
target=${1:-all}
seconds=${2:-10}
build=$root/build/fuzz
targets=(option_reader folder_value_span open_command environment_expansion restart_list run_log
         payload_names folder_chain)
if [ "$target" != all ]; then
  case " ${targets[*]} " in
    *" $target "*) targets=("$target") ;;
    *) echo "fuzz.sh: no target $target (${targets[*]})" >&2; exit 2 ;;
  esac
fi
cmake -S "$root" -B "$build" -DCMAKE_C_COMPILER=clang-14 -DCMAKE_CXX_COMPILER=clang++-14 \
  -DPELLUMARA_FUZZ=ON >"$build.configure.log" 2>&1 || { cat "$build.configure.log" >&2; exit 1; }
cmake --build "$build" -j2 --target "${targets[@]/%/_fuzz}"
for t in "${targets[@]}"; do
  corpus=$build/corpus/$t
  mkdir -p "$corpus"
  echo "== $t: $seconds s"
  (cd "$build" && "./tests/fuzz/${t}_fuzz" -max_total_time="$seconds" -max_len=1024 \
     -print_final_stats=1 "$corpus" 2>&1 | grep -E '^(#[0-9]+ +DONE|stat::number_of_executed_units|stat::average_exec_per_sec|==|.*promise broken|SUMMARY)' || true)
  # A finding leaves a crash- or leak- file and a non-zero exit; stop there.
  if ls "$build"/crash-* "$build"/leak-* "$build"/timeout-* >/dev/null 2>&1; then
    echo "fuzz.sh: $t found an input that breaks its rule: $(ls "$build"/crash-* "$build"/leak-* "$build"/timeout-* 2>/dev/null | head -1)" >&2
    exit 1
  fi
done
