# Sourced by the program tests: waits up to 10 s for the program started as
# $pid to end, and gives its exit status; says "$1" and fails when it is
# still running then, rather than waiting for the test's time-out.
wait_for_end() {
  for _ in $(seq 100); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  if kill -0 "$pid" 2>/dev/null; then
    echo "$1" >&2
    exit 1
  fi
  wait "$pid"
}
