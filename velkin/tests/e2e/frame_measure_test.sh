#!/usr/bin/env bash
# frame_measure, the end-to-end tests' colour judge, on frames drawn with
# ImageMagick whose answer is known: a terrain shaded from dark to bright
# (with a white highlight), a red aircraft, a dim green missile and a hole
# of clear colour. The same objects must be found whatever the terrain's
# brightness and with its hue moved a little, and nothing in a terrain with
# a greenish cast may count as a missile.
#
# Usage: frame_measure_test.sh <frame_measure> <work dir>
set -uo pipefail
[ $# -eq 2 ] || { echo "usage: $0 <frame_measure> <work dir>" >&2; exit 2; }
measure=$1 work=$2
case $measure in /*) ;; *) measure=$PWD/$measure ;; esac
mkdir -p "$work" && cd "$work" || exit 1
failures=0

# frame <file> <dark terrain> <bright terrain> [<convert drawing options>...]
frame() {
    local file=$1 dark=$2 bright=$3
    shift 3
    convert -size 500x500 "gradient:$bright-$dark" +antialias "$@" -depth 8 "$file" || exit 1
}
# expect <file> <field> <index> <expected>: one field of the measure line.
expect() {
    local line got
    line=$(convert "$1" -depth 8 ppm:- | "$measure")
    got=$(echo "$line" | awk -v k="$2" -v i="$3" '{ for (f = 1; f <= NF; f++) if ($f == k) { print $(f + i); exit } }')
    if [ "$got" != "$4" ]; then
        echo "FAIL: $1: $2 [$3] is $got, not $4 ($line)"
        failures=$((failures + 1))
    fi
}
# objects: a 20 x 20 red aircraft centred on (250, 250) lit and in shade,
# a 10 x 10 missile as dim as the one a loaded machine drew (green 89), a
# 30 x 30 white highlight and a 5 x 5 hole where nothing was drawn.
objects=(-fill 'rgb(210,40,40)' -draw 'rectangle 240,240 259,249' -fill 'rgb(70,12,12)' -draw 'rectangle 240,250 259,259'
         -fill 'rgb(30,89,30)' -draw 'rectangle 100,100 109,109'
         -fill 'rgb(235,235,255)' -draw 'rectangle 300,300 329,329'
         -fill black -draw 'rectangle 400,400 404,404')

# Bright blue terrain.
frame bright.png 'rgb(20,20,140)' 'rgb(120,120,255)' "${objects[@]}"
for check in "red 1 400" "red 2 249.5" "red 3 249.5" "green 1 100" "lit 1 249975" "terrain 2 240"; do
    # shellcheck disable=SC2086
    expect bright.png $check
done
# The same scene on a terrain a third as bright, and on one whose hue is
# moved 20 degrees towards cyan: the same objects, the same holes.
frame dark.png 'rgb(5,5,45)' 'rgb(40,40,90)' "${objects[@]}"
frame cyan.png 'rgb(10,50,150)' 'rgb(90,150,255)' "${objects[@]}"
for f in dark.png cyan.png; do
    for check in "red 1 400" "green 1 100" "lit 1 249975"; do
        # shellcheck disable=SC2086
        expect "$f" $check
    done
done
# A terrain with a greenish cast and no objects: no missile, no aircraft.
frame teal.png 'rgb(10,60,110)' 'rgb(90,170,230)'
expect teal.png green 1 0
expect teal.png red 1 0
# A frame mostly of clear colour: only the drawn quarter is lit.
frame hole.png 'rgb(20,20,140)' 'rgb(120,120,255)' -fill black -draw 'rectangle 0,0 499,374'
expect hole.png lit 1 62500
# Not a picture: refused with a message, not measured.
if echo "P3 1 1 255 0 0 0" | "$measure" >/dev/null 2>&1; then
    echo "FAIL: a text PPM was measured"
    failures=$((failures + 1))
fi

[ "$failures" -eq 0 ] || { echo "$failures checks failed"; exit 1; }
echo "PASS"
