#!/usr/bin/env bash
# Makes the voice and sound clips of data/wave/: the value clips speak the
# value in Japanese (espeak-ng reads kana only, so numbers are written in
# kana), the click and warning clips are short tones. All are 16-bit PCM
# mono at 22,050 Hz, without dither so that a rerun gives the same bytes.
# Needs espeak-ng and sox.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
out="${1:-$here/data/wave}"
mkdir -p "$out"
tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT

format=(-D -r 22050 -b 16 -c 1 -e signed-integer)

# The player holds the queue for a clip's whole length plus 50 ms, so a value
# clip must be over before the next key of a practised examiner (3 keys a
# second) comes: 225 words a minute is an ordinary brisk speaking pace (about
# 7 morae a second) and holds the queue for the values 1 to 9 less than the
# third of a second between two keys, on average.
voice() {  # voice <file name> <kana>
  espeak-ng -v ja -s 225 -w "$tmp/raw.wav" "$2"
  # espeak-ng writes exact zeros around the word, so the word is the span from
  # the first to the last non-zero sample: cutting there keeps every phoneme,
  # where a level threshold would eat a soft onset (h, s) or a fading vowel.
  local span first last total
  span="$(sox "$tmp/raw.wav" -t dat - |
    awk '/^;/ { next } { n++ } $2 != 0 { if (!f) f = n; l = n } END { print f - 1, l, n }')"
  read -r first last total <<<"$span"
  if [ "$first" -lt 0 ] || [ "$last" -ge "$total" ]; then
    echo "make_clips: $1: espeak-ng's output is silent or ends inside the word" >&2
    exit 1
  fi
  # espeak-ng stops the last vowel within a few ms: a 20 ms fade lets it die
  # away, a 5 ms fade keeps the first sound from clicking. No padding: the
  # queue's 50 ms is the gap between two clips.
  sox "$tmp/raw.wav" "${format[@]}" "$out/$1" trim "${first}s" "$((last - first))s" \
    gain -n -1 fade t 0.005 0 0.02
  if [ "$(soxi -s "$out/$1")" -ne "$((last - first))" ]; then
    echo "make_clips: $1: the clip is not the word's span" >&2
    exit 1
  fi
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
