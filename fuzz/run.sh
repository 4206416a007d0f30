#!/usr/bin/env bash
# Fuzzes the container reader for a bounded time: fuzz/run.sh BUILD_DIR SECONDS
# BUILD_DIR is a build with -DWUVO_FUZZ=ON. Fails when the fuzzer finds a
# crash, a hang, a leak or undefined behaviour.
set -euo pipefail
build=$(cd "${1:?usage: fuzz/run.sh BUILD_DIR SECONDS}" && pwd)
seconds=${2:?usage: fuzz/run.sh BUILD_DIR SECONDS}
root=$(cd "$(dirname "$0")/.." && pwd)
fixtures="$root/.fixtures"
corpus="$build/fuzz-corpus/reader"
artifacts="$build/fuzz-artifacts"
mkdir -p "$corpus" "$artifacts"

bash "$root/tests/fixtures/make_fixtures.sh" "$fixtures"

# Seeds: each test video cut to its ftyp and moov boxes and an empty mdat,
# so that seeds stay a few kilobytes.
for video in "$fixtures"/*.mp4 "$fixtures"/*.mov; do
  perl -e '
    open(my $f, "<:raw", $ARGV[0]) or die "$ARGV[0]: $!";
    local $/; my $d = <$f>;
    my ($seed, $at) = ("", 0);
    while ($at + 8 <= length $d) {
      my ($size, $type) = unpack("Na4", substr($d, $at, 8));
      ($size) = unpack("Q>", substr($d, $at + 8, 8)) if $size == 1;
      $size = length($d) - $at if $size == 0;
      last if $size < 8;
      $seed .= substr($d, $at, $size) if $type eq "ftyp" || $type eq "moov";
      $at += $size;
    }
    print $seed, pack("Na4", 8, "mdat");' "$video" > "$corpus/seed-$(basename "$video")"
done

UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 "$build/fuzz/reader_fuzz" \
  -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
  -dict="$root/fuzz/reader.dict" -artifact_prefix="$artifacts/" -print_final_stats=1 \
  "$corpus"
