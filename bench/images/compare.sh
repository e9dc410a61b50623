#!/bin/sh
# Side-by-side timing of picture -> Floyd-Steinberg -> WBMP on the generated photo-like
# pictures: tavro image, netpbm's pipeline, ImageMagick's convert, and the plain decoders.
# Best wall time of RUNS runs (seconds, process start included) and peak resident memory (MB,
# the largest process of a pipeline).
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

# best wall TIME of $runs runs, then the peak MEMORY of one more run
measure() {
  best=
  i=0
  while [ $i -lt "$runs" ]; do
    t0=$(date +%s%N)
    sh -c "$1" > /dev/null 2>&1 || true
    t1=$(date +%s%N)
    t=$(( (t1 - t0) / 1000 ))
    if [ -z "$best" ] || [ "$t" -lt "$best" ]; then best=$t; fi
    i=$((i + 1))
  done
  /usr/bin/time -f "%M" -o "$out/time" sh -c "$1" > /dev/null 2>&1 || true
  peak=$(tail -1 "$out/time")
  printf '%8.3f s %7.1f MB' "$(awk -v u="$best" 'BEGIN { print u / 1e6 }')" "$(awk -v k="$peak" 'BEGIN { print k / 1024 }')"
}

printf '%-22s %-7s %-22s %-22s %-22s %-22s\n' picture resize "tavro" "netpbm" "ImageMagick" "decode only"
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
      line="$line  $(printf '%22s' -)"
    fi
    if [ -n "$magick" ]; then
      line="$line  $(measure "$im")"
    else
      line="$line  $(printf '%22s' -)"
    fi
    if [ $resize = none ] && command -v "$decode" > /dev/null; then
      line="$line  $(measure "$decode '$in' > /dev/null")"
    fi
    echo "$line"
  done
done
