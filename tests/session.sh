# What with-x11.sh and with-wayland.sh share, sourced by both: a runtime directory of the
# session's own (the accessibility bus makes its socket there, and with the one default path a
# run started meanwhile took over this run's bus), the processes the session starts, and waits.
runtime=$(mktemp -d)
export XDG_RUNTIME_DIR=$runtime
pids=()
# Each is stopped, last started first. Headless mutter sometimes spins on its way out (3 of 30
# runs) and would hold the test until its timeout: what is still there after 5 s is killed.
cleanup() {
  for ((i = ${#pids[@]} - 1; i >= 0; i--)); do
    kill "${pids[i]}" 2>/dev/null || continue
    for _ in $(seq 1 100); do
      grep -qs '^State:\s*[^Z]' "/proc/${pids[i]}/status" || break
      sleep 0.05
    done
    kill -KILL "${pids[i]}" 2>/dev/null || true
    wait "${pids[i]}" 2>/dev/null || true
  done
  # The desktop portal's document store may be mounted in the runtime directory.
  ! mountpoint -q "$runtime/doc" || fusermount3 -uz "$runtime/doc" || umount -l "$runtime/doc"
  rm -rf "$runtime"
}
trap cleanup EXIT
# Starts a process of the session, its output in a log: started LOG COMMAND...
started() { local log=$1; shift; "$@" >"$log" 2>&1 & pids+=($!); }
# Runs a command every 0.05 s until it succeeds, at most N times: wait_until N COMMAND...
wait_until() {
  local tries=$1; shift
  for _ in $(seq 2 "$tries"); do "$@" && return; sleep 0.05; done
  "$@"
}
