#!/usr/bin/env bash
# Soak run: the sample game left in its first mission for a while under AddressSanitizer and
# UndefinedBehaviorSanitizer, headless. Passes when the program ends cleanly with no sanitizer
# finding, the engine's leak report counts nothing lost, and the resident memory does not grow
# after the first minute (a little slack for caches).
#
#   tools/soak.sh [seconds]        (default 600; builds build-asan when needed)
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-600}
root=$PWD

cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DKESTRUNE_SANITIZE=ON -DKESTRUNE_BENCHMARKS=OFF >/dev/null
cmake --build build-asan --target kestrune

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp -r game/data "$work/data"
# The game as a player leaves it: in the first mission, droids deployed, enemies about.
cat > "$work/data/scripts/main.lua" <<'EOF'
local world = CreateGameWorld()
InitGameWorld(world)
SetMusic("theme.wav", true)
PlayMusic()
InitialState()
LoadMission("data\\missions\\mission1.txt", 1)
SetInterfaceMode(0)
InitInterface("hud.txt")
SendCommandByName("GameWorld", "start_mission", "")
while true do
  UpdateMusic()
  UpdateGameWorld(world, GetDeltaTime(globalObject))
  while SetNextCommand(globalObject) do
    if GetCurrentCommand(globalObject) == "GameOver" then DeleteGameWorld(world) world = nil end
  end
  Update()
end
EOF

cd "$work"
export SDL_VIDEODRIVER=offscreen ALSOFT_DRIVERS=null LP_NUM_THREADS=0
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export LSAN_OPTIONS=suppressions=$root/.ci/lsan.supp:print_suppressions=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
"$root/build-asan/kestrune" > run.out 2>&1 &
pid=$!

# Resident memory in KiB, sampled every 10 s.
samples=()
for ((t = 10; t <= seconds; t += 10)); do
  sleep 10
  kill -0 "$pid" 2>/dev/null || break
  samples+=("$t $(awk '/VmRSS/ {print $2}' /proc/$pid/status)")
done
kill -TERM "$pid" 2>/dev/null || true
status=0
wait "$pid" || status=$?

fail=0
echo "exit status: $status"
[ "$status" -eq 0 ] || fail=1
if grep -E "ERROR: (AddressSanitizer|LeakSanitizer)|runtime error:" run.out >/dev/null; then
  echo "sanitizer findings:"
  grep -E -A12 "ERROR: (AddressSanitizer|LeakSanitizer)|runtime error:" run.out | head -n 60
  fail=1
fi
leaks=$(grep -a -E "^[1-9][0-9]* - .* lost" YLog.log || true)
if [ -n "$leaks" ]; then
  echo "leak report:"
  echo "$leaks"
  fail=1
fi
printf '%s\n' "${samples[@]}" > memory.txt
# Growth after the first minute: the last sample against the one at 60 s.
at60=$(awk '$1 == 60 {print $2}' memory.txt)
last=$(tail -n 1 memory.txt | awk '{print $2}')
if [ -n "$at60" ] && [ -n "$last" ]; then
  echo "resident memory: ${at60} KiB at 60 s, ${last} KiB at the end"
  # More than 5% (and 8 MiB) above the one-minute figure counts as growth.
  if [ "$last" -gt $((at60 + at60 / 20)) ] && [ "$last" -gt $((at60 + 8192)) ]; then
    echo "memory grows after the first minute"
    fail=1
  fi
fi
echo "script errors in the log: $(grep -a -c "ERROR!!!" YLog.log || true)"
[ "$fail" -eq 0 ] && echo "soak passed" || echo "soak FAILED"
exit "$fail"
