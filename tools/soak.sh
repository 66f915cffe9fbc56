#!/usr/bin/env bash
# Soak run: the sample game left in its first mission for a while, headless, in two builds
# side by side: under AddressSanitizer and UndefinedBehaviorSanitizer (build-asan), and the
# plain optimised build (build-soak) whose memory is what a player sees. Passes when each
# program ends cleanly, the sanitizer build has no finding, the engine's leak report counts
# nothing lost, and the resident memory does not grow after the first two minutes (more
# than 5% and 8 MiB above the two-minute figure counts as growth).
#
#   tools/soak.sh [seconds] [both|plain|asan]    (default 600 both; builds what it needs)
#
# A benchmark, not a test: it is run by hand, never by ctest or CI. Memory samples are
# printed at the end and kept in soak-<build>.txt in the current directory's build folder
# (build-soak/ or build-asan/).
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-600}
which=${2:-both}
root=$PWD
baseline=120

case "$which" in
  both) builds=(plain asan) ;;
  plain) builds=(plain) ;;
  asan) builds=(asan) ;;
  *) echo "usage: tools/soak.sh [seconds] [both|plain|asan]" >&2; exit 2 ;;
esac
if [ "$seconds" -le "$baseline" ]; then
  echo "the run must last longer than the ${baseline} s baseline" >&2
  exit 2
fi

build_dir() { [ "$1" = plain ] && echo "$root/build-soak" || echo "$root/build-asan"; }

for b in "${builds[@]}"; do
  dir=$(build_dir "$b")
  if [ "$b" = plain ]; then
    cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKESTRUNE_TESTS=OFF \
      -DKESTRUNE_BENCHMARKS=OFF >/dev/null
  else
    cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DKESTRUNE_SANITIZE=ON -DKESTRUNE_BENCHMARKS=OFF >/dev/null
  fi
  # The program and the sample game's content, which its tools make.
  content=$(cmake --build "$dir" --target help | awk -F: '/^game_/ {print $1}')
  # shellcheck disable=SC2086
  cmake --build "$dir" --target kestrune $content
done

work=$(mktemp -d)
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill -TERM "$p" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT

# The game as a player leaves it: in the first mission, droids deployed, enemies about.
write_main() {
  cat > "$1/data/scripts/main.lua" <<'EOF'
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
}

# Starts one build in its own copy of the game; the pid goes to pids.
start() {
  local b=$1 run="$work/$1"
  mkdir -p "$run"
  cp -r game/data "$run/data"
  write_main "$run"
  mkdir -m 700 "$run/runtime"
  (
    cd "$run"
    # Its own runtime folder: the single-instance lock lives there, so the two builds
    # (and any other copy of the game on this machine) do not turn each other away.
    export XDG_RUNTIME_DIR="$run/runtime"
    export SDL_VIDEODRIVER=offscreen ALSOFT_DRIVERS=null LP_NUM_THREADS=0
    if [ "$b" = asan ]; then
      export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
      export LSAN_OPTIONS=suppressions=$root/.ci/lsan.supp:print_suppressions=0
      export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
    fi
    exec "$(build_dir "$b")/kestrune" > run.out 2>&1
  ) &
  pids+=($!)
}

for b in "${builds[@]}"; do start "$b"; done

# Resident memory in KiB of each program, sampled every 10 s.
for ((t = 10; t <= seconds; t += 10)); do
  sleep 10
  for i in "${!builds[@]}"; do
    pid=${pids[$i]}
    kill -0 "$pid" 2>/dev/null || continue
    rss=$(awk '/VmRSS/ {print $2}' "/proc/$pid/status" 2>/dev/null || true)
    [ -n "$rss" ] && echo "$t $rss" >> "$work/${builds[$i]}/memory.txt"
  done
done

fail=0
for i in "${!builds[@]}"; do
  b=${builds[$i]} pid=${pids[$i]} run="$work/${builds[$i]}"
  kill -TERM "$pid" 2>/dev/null || true
  status=0
  wait "$pid" || status=$?
  echo "== $b build"
  echo "exit status: $status"
  [ "$status" -eq 0 ] || fail=1
  if grep -E "ERROR: (AddressSanitizer|LeakSanitizer)|runtime error:" "$run/run.out" >/dev/null; then
    echo "sanitizer findings:"
    grep -E -A12 "ERROR: (AddressSanitizer|LeakSanitizer)|runtime error:" "$run/run.out" | head -n 60
    fail=1
  fi
  leaks=$(grep -a -E "^[1-9][0-9]* - .* lost" "$run/YLog.log" || true)
  if [ -n "$leaks" ]; then
    echo "leak report:"
    echo "$leaks"
    fail=1
  fi
  touch "$run/memory.txt"
  cp "$run/memory.txt" "$(build_dir "$b")/soak-$b.txt"
  # Growth after the first two minutes: the last sample against the one at 120 s.
  base=$(awk -v t=$baseline '$1 == t {print $2}' "$run/memory.txt")
  last=$(tail -n 1 "$run/memory.txt" | awk '{print $2}')
  if [ -z "$base" ] || [ -z "$last" ]; then
    echo "the program ended before ${baseline} s"
    fail=1
  else
    end=$(tail -n 1 "$run/memory.txt" | awk '{print $1}')
    echo "resident memory: ${base} KiB at ${baseline} s, ${last} KiB at ${end} s ($((last - base)) KiB)"
    if [ "$last" -gt $((base + base / 20)) ] && [ "$last" -gt $((base + 8192)) ]; then
      echo "memory grows after the first two minutes"
      fail=1
    fi
  fi
  echo "script errors in the log: $(grep -a -c "ERROR!!!" "$run/YLog.log" || true)"
done
pids=()
[ "$fail" -eq 0 ] && echo "soak passed" || echo "soak FAILED"
exit "$fail"
