#!/bin/sh
# Instructions of one banner tick (colour-cycle step plus bitmap block), counted by callgrind
# inside BannerTick only, averaged over 100 ticks.
#   bench/count_tick.sh [build/host/bench/banner_tick]
set -e
program=${1:-build/host/bench/banner_tick}
ticks=100
out=$(mktemp)
trap 'rm -f "$out"' EXIT
valgrind --tool=callgrind --callgrind-out-file="$out" --collect-atstart=no \
  --toggle-collect='BannerTick*' "$program" "$ticks" 2>/dev/null
total=$(sed -n 's/^summary: *\([0-9]*\).*/\1/p' "$out")
echo "instructions per banner tick: $((total / ticks)) ($total over $ticks ticks)"
