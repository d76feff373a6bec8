#!/usr/bin/env bash
# Times a million-point frequency analysis of a 30-section band-pass ladder,
# side by side with ngspice's AC analysis of the same ladder at the same
# frequencies, the command-line mode's export of the same million points to
# CSV and to Touchstone, and the program's start-up time.
#
#   bench/sweep.sh            # 3 runs of each, medians
#   RUNS=5 bench/sweep.sh
#   BEFORE=/path/to/an/older/varnholt bench/sweep.sh   # both programs, in turn
#
# Prints the median wall time of each, their ratio, the program's peak
# resident memory and the median time from start to the first prompt. Wall
# times include starting the process and writing the results to a file.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
runs=${RUNS:-3}

scripts/setup.sh
cmake -S . -B build-release -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build-release -j"$(nproc)" --target varnholt ladder_netlist >/dev/null
program="$root/build-release/varnholt"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
cp "$root/examples/Varnholt.DEF" .

# The ladder: a 0.1 dB Chebyshev band-pass of 30 sections, 90 to 110 MHz,
# 50 ohms, standard circuit. One line per position from the source: odd
# positions are shunt branches (L parallel C to ground), even positions
# series branches (L in series with C); inductance in nH, capacitance in pF.
cat >ladder.txt <<'EOF'
13.217947 193.571304
584.390686 4.37826204
7.38210869 346.596771
658.769897 3.88392901
7.06919718 361.938629
672.266052 3.80595636
6.99157 365.957184
676.736267 3.78081632
6.96192455 367.515533
678.666199 3.77006435
6.94828749 368.236816
679.591614 3.76493049
6.94179392 368.581268
680.005981 3.76263618
6.93940067 368.708374
680.08197 3.76221657
6.94017601 368.667206
679.847656 3.76351309
6.94440699 368.442566
679.212097 3.76703453
6.95387697 367.940826
677.881836 3.7744267
6.97371054 366.894409
675.007446 3.79049945
7.02008247 364.470825
667.594788 3.83258772
7.16389656 357.154114
639.297302 4.00223112
8.07569695 316.829041
357.040741 7.16617155
EOF

# Circuit data file: title, type 3 (band-pass), configuration 1 (standard),
# lower and upper cut-off, then per position its inductor and capacitor.
{
  printf 'Band-pass, 30 sections, 90-110 MHz, 0.1 dB Chebyshev\r\n3\r\n1\r\n90\r\n110\r\n'
  awk '{ printf "%s\r\n%s\r\n", $1, $2 }' ladder.txt
} >bp30.ckt

# The sweep: 50 MHz to 149.9999 MHz in steps of 0.0001 MHz, 1,000,000 points.
start=50 stop=149.9999 step=0.0001 points=1000000

# Replies: analysis; circuit from a data file; its name; source and load
# 50 + j0 ohms; start, stop and step frequency; print format 1 (VSWR); no
# storage; and after the run, exit.
printf '%s\n' 1 2 bp30.ckt 50 0 50 0 "$start" "$stop" "$step" 1 0 4 >replies.txt

# The same ladder for ngspice, written by the project's own netlist writer:
# 1 V source behind 50 ohms, 50-ohm load; the magnitude (dB) and phase
# (radians) of the load voltage at every point.
"$root/build-release/ladder_netlist" bp30.ckt "$start" "$stop" "$points" spice_out.txt >bp30.cir

# Microseconds from the shell's own clock (no process started to read it):
# stamp NAME sets NAME; elapsed FROM TO prints TO - FROM.
stamp() { printf -v "$1" '%s' "${EPOCHREALTIME/[.,]/}"; }
elapsed() { echo $((10#$2 - 10#$1)); }
peak_kb() { awk '/Maximum resident set size/ { print $NF }' "$1"; }
median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

# The measurements of one program: its report of the sweep, then its CSV
# and Touchstone exports; ngspice's run alternates with the report's.
measure() {
  program="$1"
  : >program.times
  : >spice.times
  : >program.peaks
  for ((r = 1; r <= runs; r++)); do
    status=0
    stamp t0
    /usr/bin/time -v -o program.time "$program" <replies.txt >program_out.txt 2>program_err.txt || status=$?
    stamp t1
    if [ "$status" -ne 0 ]; then
      echo "the program ended with status $status:" >&2
      cat program_err.txt >&2
      return 1
    fi
    elapsed "$t0" "$t1" >>program.times
    peak_kb program.time >>program.peaks
    stamp t0
    /usr/bin/time -v -o spice.time ngspice -b bp30.cir >spice.log 2>&1
    stamp t1
    elapsed "$t0" "$t1" >>spice.times
  done

  # Both must have computed every point.
  rows=$(awk 'substr($0, 1, 16) ~ /^ *[0-9]+\.[0-9][0-9][0-9][0-9]$/ { n++ } END { print n + 0 }' program_out.txt)
  spice_rows=$(wc -l <spice_out.txt)
  if [ "$rows" -ne "$points" ] || [ "$spice_rows" -ne "$points" ]; then
    echo "expected $points points; the program printed $rows rows, ngspice $spice_rows" >&2
    return 1
  fi

  # Peak memory must not grow with the number of points: the same analysis
  # over 10,000 points for comparison.
  printf '%s\n' 1 2 bp30.ckt 50 0 50 0 "$start" "$stop" 0.01 1 0 4 >replies_short.txt
  /usr/bin/time -v -o short.time "$program" <replies_short.txt >/dev/null 2>&1
  short_peak=$(peak_kb short.time)

  # The command-line mode: the same sweep of the same file to CSV and to
  # Touchstone (the double-precision evaluator, streamed in blocks).
  cli_sweep=(analyse bp30.ckt --source 50 --load 50 --from "$start" --to "$stop" --step "$step")
  : >csv.times
  : >touchstone.times
  : >cli.peaks
  for ((r = 1; r <= runs; r++)); do
    for export in csv touchstone; do
      stamp t0
      /usr/bin/time -v -o cli.time "$program" "${cli_sweep[@]}" --"$export" "out.$export"
      stamp t1
      elapsed "$t0" "$t1" >>"$export.times"
      peak_kb cli.time >>cli.peaks
    done
  done
  csv_rows=$(($(wc -l <out.csv) - 1))
  touchstone_rows=$(grep -cv '^[!#]' out.touchstone)
  if [ "$csv_rows" -ne "$points" ] || [ "$touchstone_rows" -ne "$points" ]; then
    echo "expected $points points; CSV has $csv_rows rows, Touchstone $touchstone_rows" >&2
    return 1
  fi

}

# The printed figures of the program last measured.
report() {
  program_us=$(median <program.times)
  spice_us=$(median <spice.times)
  peak=$(sort -g program.peaks | tail -1)
  csv_us=$(median <csv.times)
  touchstone_us=$(median <touchstone.times)
  cli_peak=$(sort -g cli.peaks | tail -1)
  echo "points:                  $points (30-section band-pass, output to a file)"
  awk -v us="$program_us" -v n="$runs" 'BEGIN { printf "program wall time:       %.3f s (median of %d)\n", us / 1e6, n }'
  awk -v us="$spice_us" -v n="$runs" 'BEGIN { printf "ngspice AC wall time:    %.3f s (median of %d)\n", us / 1e6, n }'
  awk -v a="$spice_us" -v b="$program_us" 'BEGIN { printf "ngspice / program:       %.1f x\n", a / b }'
  echo "program peak memory:     ${peak} kB maximum resident set (${short_peak} kB for 10,000 points)"
  awk -v us="$csv_us" -v p="$program_us" 'BEGIN { printf "analyse --csv:           %.3f s (%.2f x the report)\n", us / 1e6, us / p }'
  awk -v us="$touchstone_us" -v p="$program_us" 'BEGIN { printf "analyse --touchstone:    %.3f s (%.2f x the report)\n", us / 1e6, us / p }'
  echo "command-line peak memory: ${cli_peak} kB maximum resident set"
}

if [ -n "${BEFORE:-}" ]; then
  measure "$BEFORE"
  echo "--- before: $BEFORE"
  report
  echo "--- after: $root/build-release/varnholt"
fi
measure "$root/build-release/varnholt"
report

# Start-up: from starting the process to its first prompt (and its exit
# at the end of input, which follows at once).
: >startup.times
for ((r = 1; r <= 21; r++)); do
  stamp t0
  "$program" </dev/null >/dev/null 2>&1 || true
  stamp t1
  elapsed "$t0" "$t1" >>startup.times
done

startup_us=$(median <startup.times)
awk -v us="$startup_us" 'BEGIN { printf "program start-up:        %.1f ms to the first prompt (median of 21)\n", us / 1000 }'
