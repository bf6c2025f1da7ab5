#!/usr/bin/env bash
# Makes the voice and sound clips of data/wave/: the value clips speak the
# value in Japanese (espeak-ng reads kana only, so numbers are written in
# kana), the click and warning clips are short tones. All are 16-bit PCM
# mono at 22,050 Hz, trimmed of silence, without dither so that a rerun gives
# the same bytes. Needs espeak-ng and sox.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
out="${1:-$here/data/wave}"
mkdir -p "$out"
tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT

format=(-D -r 22050 -b 16 -c 1 -e signed-integer)

voice() {  # voice <file name> <kana>
  espeak-ng -v ja -s 150 -w "$tmp/raw.wav" "$2"
  sox "$tmp/raw.wav" "$tmp/trim.wav" \
    silence 1 0.01 0.5% reverse silence 1 0.01 0.5% reverse
  sox "$tmp/trim.wav" "${format[@]}" "$out/$1" gain -n -1 fade t 0.005 0 0.02 pad 0.01 0.03
}

tone() {  # tone <file name> <sox effects...>
  local name="$1"; shift
  sox -n "${format[@]}" "$out/$name" "$@"
}

# Value buttons 0 to 16 ("16 以上" on the last one).
values=(ぜろ いち に さん よん ご ろく なな はち きゅう じゅう
        じゅういち じゅうに じゅうさん じゅうよん じゅうご じゅうろくいじょう)
for i in "${!values[@]}"; do
  voice "$i.wav" "${values[$i]}"
done

voice "無.wav" "なし"
voice "subeteari.wav" "すべてあり"
voice "subetenashi.wav" "すべてなし"

# Button click: a short tick.
tone click1.wav synth 0.035 sine 1800 fade q 0.002 0.035 0.02 gain -6
# Refused key: two short rings.
tone phone1.wav synth 0.09 sine 1320 sine 1760 remix - fade q 0.005 0.09 0.02 \
  pad 0 0.05 repeat 1 gain -n -3
# Leaving the chart screen: a rising sweep.
tone warp.wav synth 0.32 sine 300-1800 fade q 0.02 0.32 0.12 gain -n -4

ls -l "$out"
