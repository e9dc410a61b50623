#!/bin/sh
# Side-by-side timing of picture -> Floyd-Steinberg -> WBMP on the generated photo-like
# pictures: tavro image, netpbm's pipeline, ImageMagick's convert, and the plain decoders.
# For each: the best wall time of RUNS runs (seconds, process start included), the best CPU
# time (what counts on a busy machine) and the peak resident memory (MB, the largest process
# of a pipeline).
#
#   bench/images/compare.sh BUILD_DIR [RUNS]
#
# Needs the packages netpbm and imagemagick (apt-get install -y netpbm imagemagick); the
# columns of a missing tool are left out.
set -eu
build=${1:?usage: compare.sh BUILD_DIR [RUNS]}
runs=${2:-5}
tavro=$build/tavro
dir=${TAVRO_BENCH_DIR:-/tmp/tavro-bench-img}
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
"$build/bench/images/bench_images" --dir "$dir" --generate

magick=/usr/bin/convert
[ -x "$magick" ] || magick=

# best wall time and best CPU time (user + system, 10 ms steps) of $runs runs, and the peak
# memory of the largest process
measure() {
  best=
  cpu=
  peak=0
  i=0
  while [ $i -lt "$runs" ]; do
    t0=$(date +%s%N)
    /usr/bin/time -f "%U %S %M" -o "$out/time" sh -c "$1" > /dev/null 2>&1 || true
    t1=$(date +%s%N)
    t=$(( (t1 - t0) / 1000 ))
    if [ -z "$best" ] || [ "$t" -lt "$best" ]; then best=$t; fi
    read -r user sys mem < "$out/time"
    c=$(awk -v u="$user" -v s="$sys" 'BEGIN { print u + s }')
    cpu=$(awk -v a="${cpu:-$c}" -v b="$c" 'BEGIN { print (b < a ? b : a) }')
    peak=$(awk -v a="$peak" -v b="$mem" 'BEGIN { print (b > a ? b : a) }')
    i=$((i + 1))
  done
  printf '%6.3f %5.2f %6.1f' "$(awk -v u="$best" 'BEGIN { print u / 1e6 }')" "$cpu" \
    "$(awk -v k="$peak" 'BEGIN { print k / 1024 }')"
}

echo "each tool: best wall s, best CPU s, peak MB"
printf '%-22s %-7s %-20s %-20s %-20s %-20s\n' picture resize "tavro" "netpbm" "ImageMagick" "decode only"
for pic in photo-4000x3000.jpg photo-4000x3000.png photo-640x480.jpg photo-640x480.png photo-100x80.jpg photo-100x80.png; do
  in=$dir/$pic
  case $pic in
    *.jpg) decode=jpegtopnm ;;
    *.png) decode=pngtopnm ;;
  esac
  for resize in none 50%; do
    if [ $resize = none ]; then
      ours="$tavro image '$in' -o '$out/a.wbmp' --dither floyd"
      netpbm="$decode '$in' | ppmtopgm | pamditherbw -floyd | pamtopnm | pbmtowbmp > '$out/b.wbmp'"
      im="$magick '$in' -dither FloydSteinberg -monochrome wbmp:'$out/c.wbmp'"
    else
      ours="$tavro image '$in' -o '$out/a.wbmp' --dither floyd --width 50% --height 50%"
      netpbm="$decode '$in' | ppmtopgm | pamscale 0.5 | pamditherbw -floyd | pamtopnm | pbmtowbmp > '$out/b.wbmp'"
      im="$magick '$in' -resize 50% -dither FloydSteinberg -monochrome wbmp:'$out/c.wbmp'"
    fi
    line=$(printf '%-22s %-7s %s' "$pic" "$resize" "$(measure "$ours")")
    if command -v "$decode" > /dev/null; then
      line="$line  $(measure "$netpbm")"
    else
      line="$line  $(printf '%20s' -)"
    fi
    if [ -n "$magick" ]; then
      line="$line  $(measure "$im")"
    else
      line="$line  $(printf '%20s' -)"
    fi
    if [ $resize = none ] && command -v "$decode" > /dev/null; then
      line="$line  $(measure "$decode '$in' > /dev/null")"
    fi
    echo "$line"
  done
done
