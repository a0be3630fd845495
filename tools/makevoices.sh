#!/usr/bin/env bash
# makevoices.sh: speaks every letter of the starter lesson into content/voice/<letter>.wav.
#
#   tools/makevoices.sh [content folder]        (default: content/ beside tools/)
#
# It reads content/data/data.txt (Shift-JIS), takes every distinct letter of fields 2 to 9, and
# has Open JTalk say it with the HTS voice "nitech_jp_atr503_m001". sox then cuts the silence at
# both ends and brings every clip to the same loudness: 16-bit mono PCM at 22050 Hz, 0.2 to
# 0.45 s long. The clips are committed, so the program itself needs none of this.
#
# Generator-only tools (Debian 12 packages; not needed to build or run the program):
#   open-jtalk, open-jtalk-mecab-naist-jdic   text analysis (BSD-3-clause)
#   hts-voice-nitech-jp-atr503-m001           the voice (CC BY 3.0; in the contrib area)
#   htsengine                                 hts_engine, synthesis from timed labels
#   sox                                       trimming and levelling
#   iconv (libc-bin), perl (perl-base)
#
# Why the detour through labels: Open JTalk says a lone letter as a clipped 80 to 150 ms
# syllable, too quick for a four-year-old, and its -r option stretches only the silence around
# it. So the letter is analysed as a long syllable ("ネー"), and hts_engine synthesises it from
# Open JTalk's own labels with the first half of the vowel held longer. Katakana input keeps
# は and へ from being read as the particles "wa" and "e"; every reading is checked anyway.
set -euo pipefail
export LC_ALL=C.UTF-8

here=$(cd "$(dirname "$0")" && pwd)
content=${1:-$here/../content}
lesson=$content/data/data.txt
dictionary=/var/lib/mecab/dic/open-jtalk/naist-jdic
voice=/usr/share/hts-voice/nitech-jp-atr503-m001/nitech_jp_atr503_m001.htsvoice

rate=22050
target_rms_db=-12 # RMS of its loudest 50 ms that every clip is brought to
max_peak_db=-1    # ...unless its peak would pass this
silence_db=-45    # below this (after peak levelling), the ends count as silence
held_vowel=1800000 # length of the held first half of the vowel, in 100 ns label units (180 ms)

die() {
    echo "makevoices: $*" >&2
    exit 1
}

for tool in open_jtalk hts_engine sox iconv perl; do
    command -v "$tool" >/dev/null || die "$tool is missing (see the header of this script)"
done
[ -d "$dictionary" ] || die "no Open JTalk dictionary in $dictionary (open-jtalk-mecab-naist-jdic)"
[ -f "$voice" ] || die "no voice $voice (hts-voice-nitech-jp-atr503-m001, Debian contrib)"
[ -f "$lesson" ] || die "no lesson file $lesson; run makecontent first"

# Every distinct letter of fields 2 to 9, one a line.
letters=$(iconv -f CP932 -t UTF-8 "$lesson" | tr -d '\r' | cut -d, -f2-9 | tr ',' '\n' | grep -v '^$' | sort -u)
[ -n "$letters" ] || die "$lesson names no letters"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/voice"

katakana() { perl -CSA -e 'my $s = $ARGV[0]; $s =~ tr/\x{3041}-\x{3096}/\x{30A1}-\x{30F6}/; print $s' "$1"; }

# What Open JTalk will pronounce for a text, in katakana, from the trace of its analysis.
reading() { sed -n '/^\[Text analysis result\]/,/^$/p' "$1" | awk -F, 'NF > 9 { printf "%s", $10 }'; }

# The full-context labels of the trace, one "start end label" a line.
labels() { awk '/^\[Output label\]/ { on = 1; next } /^\[/ { on = 0 } on && NF' "$1"; }

# Holds the first of the two vowel labels of "<consonant> <vowel> <vowel>" longer and shortens
# the silences around the letter. Fails unless the labels end in two equal phonemes and a silence.
hold_vowel() {
    awk -v held="$held_vowel" '
        function phoneme(label, parts) { split(label, parts, /[-+]/); return parts[2] }
        { label[NR] = $3; name[NR] = phoneme($3); length_[NR] = $2 - $1 }
        END {
            if (NR < 4 || name[1] != "sil" || name[NR] != "sil" || name[NR - 2] != name[NR - 1])
                exit 1
            t = 0
            for (i = 1; i <= NR; i++) {
                d = length_[i]
                if (i == 1) d = 500000
                else if (i == NR) d = 1500000
                else if (i == NR - 2 && d < held) d = held
                printf "%d %d %s\n", t, t + d, label[i]
                t += d
            }
        }' "$1"
}

# The peak of a clip and the RMS of its loudest 50 ms (the vowel, which is what the ear judges a
# syllable's loudness by), in dBFS, as "peak rms". A whole-clip RMS would count a consonant's
# closure as quiet and turn clips like た up too far.
levels() {
    sox "$1" -t dat - | awk -v rate="$rate" '
        /^;/ { next }
        { x[n++] = $2; if ($2 > peak) peak = $2; if (-$2 > peak) peak = -$2 }
        END {
            w = int(rate * 0.05); hop = int(rate * 0.01); best = 0
            for (s = 0; s + w <= n || s == 0; s += hop) {
                sum = 0; count = 0
                for (i = s; i < s + w && i < n; i++) { sum += x[i] * x[i]; count++ }
                if (count && sum / count > best) best = sum / count
            }
            printf "%.2f %.2f\n", 20 * log(peak) / log(10), 10 * log(best) / log(10)
        }'
}

while IFS= read -r letter; do
    kana=$(katakana "$letter")
    trace=$work/trace.txt
    spoken=
    # The katakana spelling first; the hiragana one for a letter whose katakana form the
    # dictionary takes for something else (ヘー for the particle "e").
    for text in "${kana}ー" "${letter}ー"; do
        echo "$text" | open_jtalk -x "$dictionary" -m "$voice" -ow /dev/null -ot "$trace"
        if [ "$(reading "$trace")" = "${kana}ー" ]; then
            spoken=$text
            break
        fi
    done
    [ -n "$spoken" ] || die "Open JTalk does not read $letter as ${kana}; got $(reading "$trace")"

    labels "$trace" >"$work/plain.lab"
    hold_vowel "$work/plain.lab" >"$work/held.lab" || die "unexpected phonemes for $letter"
    hts_engine -m "$voice" -vp -g -6 -ow "$work/raw.wav" "$work/held.lab"

    # Rumble off, silence cut at both ends (at a level relative to the clip's own peak), short
    # fades so the clip neither starts nor stops with a click.
    sox -R "$work/raw.wav" -c 1 "$work/trimmed.wav" highpass 60 gain -n -3 \
        silence 1 0.005 "${silence_db}d" reverse silence 1 0.005 "${silence_db}d" reverse
    sox -R "$work/trimmed.wav" -b 16 "$work/cut.wav" fade t 0.003 0 0.015 rate -v "$rate"
    read -r peak rms < <(levels "$work/cut.wav")
    gain=$(awk -v p="$peak" -v r="$rms" -v t="$target_rms_db" -v m="$max_peak_db" \
        'BEGIN { g = t - r; if (p + g > m) g = m - p; printf "%.2f", g }')
    sox -R "$work/cut.wav" -b 16 "$work/voice/$letter.wav" gain "$gain"
    printf '%s  %-6s %.3f s  gain %+6.2f dB\n' "$letter" "$spoken" "$(soxi -D "$work/voice/$letter.wav")" "$gain"
done <<<"$letters"

mkdir -p "$content/voice"
rm -f "$content/voice/"*.wav
cp "$work/voice/"*.wav "$content/voice/"
echo "makevoices: $(wc -l <<<"$letters") clips in $content/voice"
