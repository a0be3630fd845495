#!/usr/bin/env bash
# makevoices.sh: speaks every kana letter into content/voice/<letter>.wav.
#
#   tools/makevoices.sh [content folder]        (default: content/ beside tools/)
#
# The letters: the 46 plain hiragana from あ to ん (with を), the 20 voiced ones (が to ぼ) and
# the 5 semi-voiced ones (ぱ to ぽ), and the same 71 in katakana, which get the same clip as
# their hiragana. Then the letters a child cannot tell by their sound alone, spoken by the name
# a teacher gives them: the small kana (ちいさい「つ」), ー (のばすぼう) and ゔ (うてんてん), each
# again with its katakana. Every lesson shares these clips. Open JTalk says each letter with the
# HTS voice "nitech_jp_atr503_m001"; the clip is 16-bit mono PCM at 22050 Hz, 0.15 to 1.2 s long
# (1.6 s for a named letter), and every clip is brought to the same loudness. The clips are committed, so the program itself
# needs none of this.
#
# Generator-only tools (Debian 12 packages; not needed to build or run the program):
#   open-jtalk, open-jtalk-mecab-naist-jdic   text analysis (BSD-3-clause)
#   hts-voice-nitech-jp-atr503-m001           the voice (CC BY 3.0; in the contrib area, so
#                                             add "contrib" to the Components of
#                                             /etc/apt/sources.list.d/debian.sources first)
#   htsengine                                 hts_engine, synthesis from timed labels
#   sox                                       filtering, trimming and levelling
#   iconv (libc-bin), perl (perl-base)
#
# Why the detour through labels: Open JTalk says a lone letter as a clipped 80 to 150 ms
# syllable, too quick for a four-year-old, and its -r option stretches only the silence around
# it. So the letter is analysed as a long syllable ("ネー"), and hts_engine synthesises it from
# Open JTalk's own labels with the first half of the vowel held longer. Katakana input keeps
# は and へ from being read as the particles "wa" and "e"; every reading is checked anyway.
#
# Why the consonant is strengthened: the voice breathes its h, p and k, and bursts its t, 30 to
# 50 dB below the vowel that follows, where a silence trim takes them for silence and a child
# hears "o" for と or ほ. For a syllable that starts with a voiceless consonant, the part before
# the vowel gets its high frequencies (above 1.2 kHz, where a burst or a breath lives, and
# where the closure's murmur does not) raised until they reach 20 dB below the vowel, by at
# most 30 dB. The clip is then cut by energy with a short pre-roll and a 4 ms fade-in, so the
# onset is kept whole and starts without a click. tests/test_voiceclips.cpp measures the result.
set -euo pipefail
export LC_ALL=C.UTF-8

here=$(cd "$(dirname "$0")" && pwd)
content=${1:-$here/../content}
dictionary=/var/lib/mecab/dic/open-jtalk/naist-jdic
voice=/usr/share/hts-voice/nitech-jp-atr503-m001/nitech_jp_atr503_m001.htsvoice

hiragana='あいうえおかきくけこさしすせそたちつてとなにぬねのはひふへほまみむめもやゆよらりるれろわをん
がぎぐげござじずぜぞだぢづでどばびぶべぼぱぴぷぺぽ'

# The letters said by a name, "letter text": Open JTalk is given the text and must read it as
# written. A last syllable written long is held, as a plain letter's is, and the pause after
# ちいさい kept short, so that the letter itself is heard clearly after its name.
named='ぁ チイサイ、アー
ぃ チイサイ、イー
ぅ チイサイ、ウー
ぇ チイサイ、エー
ぉ チイサイ、オー
っ チイサイ、ツー
ゃ チイサイ、ヤー
ゅ チイサイ、ユー
ょ チイサイ、ヨー
ゎ チイサイ、ワー
ー ノバスボー
ゔ ウテンテン'

rate=22050
target_rms_db=-12 # RMS of its loudest 50 ms that every clip is brought to
max_peak_db=-1    # ...unless its peak would pass this
held_vowel=1800000 # length of the held first half of the vowel, in 100 ns label units (180 ms)
pause=1000000      # longest pause inside a named letter, in the same units (100 ms)
consonant_db=-20  # the voiceless consonant's high band is raised to this, relative to the vowel
max_boost_db=30   # ...by at most this much
edge_db=-45       # frames quieter than this, relative to the loudest, are silence at the ends

die() {
    echo "makevoices: $*" >&2
    exit 1
}

for tool in open_jtalk hts_engine sox iconv perl; do
    command -v "$tool" >/dev/null || die "$tool is missing (see the header of this script)"
done
[ -d "$dictionary" ] || die "no Open JTalk dictionary in $dictionary (open-jtalk-mecab-naist-jdic)"
[ -f "$voice" ] || die "no voice $voice (hts-voice-nitech-jp-atr503-m001, Debian contrib)"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/voice"

katakana() { perl -CSA -e 'my $s = $ARGV[0]; $s =~ tr/\x{3041}-\x{3096}/\x{30A1}-\x{30F6}/; print $s' "$1"; }

# What Open JTalk will pronounce for a text, in katakana, from the trace of its analysis.
reading() { sed -n '/^\[Text analysis result\]/,/^$/p' "$1" | awk -F, 'NF > 9 { printf "%s", $10 }'; }

# The full-context labels of the trace, one "start end label" a line.
labels() { awk '/^\[Output label\]/ { on = 1; next } /^\[/ { on = 0 } on && NF' "$1"; }

# Holds the first of the two vowel labels of "<consonant> <vowel> <vowel>" longer and shortens
# the silences around the letter. Fails unless the labels end in two equal phonemes and a silence;
# with `any` 1 only the silences are shortened when they do not.
hold_vowel() { # labels [any]
    awk -v held="$held_vowel" -v pause="$pause" -v any="${2:-0}" '
        function phoneme(label, parts) { split(label, parts, /[-+]/); return parts[2] }
        { label[NR] = $3; name[NR] = phoneme($3); length_[NR] = $2 - $1 }
        END {
            if (NR < 4 || name[1] != "sil" || name[NR] != "sil")
                exit 1
            doubled = name[NR - 2] == name[NR - 1]
            if (!doubled && !any)
                exit 1
            t = 0
            for (i = 1; i <= NR; i++) {
                d = length_[i]
                if (i == 1) d = 500000
                else if (i == NR) d = 1500000
                else if (doubled && i == NR - 2 && d < held) d = held
                else if (name[i] == "pau" && d > pause) d = pause
                printf "%d %d %s\n", t, t + d, label[i]
                t += d
            }
        }' "$1"
}

# The first syllable's consonant phoneme as the labels name it ("k", "sh", "ts"...), or nothing.
consonant() {
    awk 'function phoneme(label, parts) { split(label, parts, /[-+]/); return parts[2] }
        { name[NR] = phoneme($3) } END { print name[2] }' "$1"
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

# Reads "full high" sample pairs (the clip and its high band) and writes the shaped clip as
# sox's .dat text. With `boost` 1, the part before the vowel gets its high band raised from
# where the consonant starts (the first 5 ms frame whose high band is within 20 dB of the
# consonant's strongest), and its low band lowered by 20 dB throughout (the voice murmurs in a
# t's or k's closure, which should be silent). The vowel starts at the first frame within 15 dB
# of the loudest; both changes fade out over the 10 ms up to it. The clip is then cut by energy
# at both ends, with a pre-roll and fades.
shape() {
    awk -v rate="$rate" -v boost="$1" -v target="$consonant_db" -v most="$max_boost_db" \
        -v edge="$edge_db" '
        function db(energy) { return energy > 0 ? 10 * log(energy) / log(10) : -200 }
        function ramp(i, from, to) { return i <= from ? 0 : i >= to ? 1 : (i - from) / (to - from) }
        { x[n] = $1; h[n] = $2; n++ }
        END {
            f = int(rate * 0.005); frames = int(n / f)
            loudest = -200
            for (k = 0; k < frames; k++) {
                e = 0; g = 0
                for (i = k * f; i < (k + 1) * f; i++) { e += x[i] * x[i]; g += h[i] * h[i] }
                full[k] = db(e / f); high[k] = db(g / f)
                if (full[k] > loudest) loudest = full[k]
            }
            for (vowel = 0; vowel < frames && full[vowel] < loudest - 15; vowel++) {}
            raise = 0; lower = 0; onset = 0
            if (boost) {
                strongest = -200
                for (k = 0; k < vowel; k++) if (high[k] > strongest) strongest = high[k]
                for (onset = 0; onset < vowel && high[onset] < strongest - 20; onset++) {}
                gain = loudest + target - strongest
                if (gain > most) gain = most
                if (gain < 0) gain = 0
                raise = exp(gain / 20 * log(10)) - 1
                lower = exp(-20 / 20 * log(10)) - 1
            }
            ramp_ = int(rate * 0.005); fall = int(rate * 0.01); end_ = vowel * f
            for (i = 0; i < n; i++) {
                fading = 1 - ramp(i, end_ - fall, end_)
                up = ramp(i, onset * f - ramp_, onset * f) * fading
                y[i] = x[i] + raise * up * h[i] + lower * fading * (x[i] - h[i])
            }
            # Ends by energy of the shaped clip, in 5 ms frames.
            loudest = -200
            for (k = 0; k < frames; k++) {
                e = 0
                for (i = k * f; i < (k + 1) * f; i++) e += y[i] * y[i]
                level[k] = db(e / f); if (level[k] > loudest) loudest = level[k]
            }
            for (first = 0; level[first] < loudest + edge; first++) {}
            for (last = frames - 1; level[last] < loudest + edge; last--) {}
            start = first * f - int(rate * 0.015); if (start < 0) start = 0
            stop = (last + 1) * f + int(rate * 0.02); if (stop > n) stop = n
            fadeIn = int(rate * 0.004); fadeOut = int(rate * 0.015)
            pi = atan2(0, -1)
            for (i = start; i < stop; i++) {
                v = y[i]
                if (i - start < fadeIn) v *= 0.5 - 0.5 * cos(pi * (i - start) / fadeIn)
                if (stop - 1 - i < fadeOut) v *= 0.5 - 0.5 * cos(pi * (stop - 1 - i) / fadeOut)
                printf "%.6f %.9f\n", (i - start) / rate, v
            }
        }'
}

# The voiceless consonants, whose burst or breath the voice makes too faint.
voiceless=" k s sh t ch ts h f p "

# Speaks `text` into $work/voice/<letter>.wav (and <katakana>.wav when that differs), checking
# that Open JTalk reads it as `reading`. The first of the two equal phonemes it ends with is held.
speak() { # letter reading any text...
    local letter=$1 reading=$2 any=$3 kana text spoken= trace=$work/trace.txt
    shift 3
    kana=$(katakana "$letter")
    for text in "$@"; do
        echo "$text" | open_jtalk -x "$dictionary" -m "$voice" -ow /dev/null -ot "$trace"
        if [ "$(reading "$trace")" = "$reading" ]; then
            spoken=$text
            break
        fi
    done
    [ -n "$spoken" ] || die "Open JTalk does not read $letter as $reading; got $(reading "$trace")"

    labels "$trace" >"$work/plain.lab"
    hold_vowel "$work/plain.lab" "$any" >"$work/held.lab" || die "unexpected phonemes for $letter"
    sound=$(consonant "$work/held.lab")
    boost=0
    [[ $voiceless == *" $sound "* ]] && boost=1
    hts_engine -m "$voice" -vp -g -6 -ow "$work/raw.wav" "$work/held.lab"

    # Rumble off and down to the clip's rate; its high band beside it; then shaped.
    sox -R "$work/raw.wav" -c 1 -b 32 -e floating-point "$work/full.wav" highpass 60 rate -v "$rate"
    sox -R "$work/full.wav" "$work/high.wav" sinc 1200
    sox "$work/full.wav" -t dat - | awk '!/^;/ { print $2 }' >"$work/full.txt"
    sox "$work/high.wav" -t dat - | awk '!/^;/ { print $2 }' >"$work/high.txt"
    { printf '; Sample Rate %d\n; Channels 1\n' "$rate"
      paste -d' ' "$work/full.txt" "$work/high.txt" | shape "$boost"; } >"$work/shaped.dat"
    sox -R "$work/shaped.dat" -b 16 "$work/cut.wav"
    read -r peak rms < <(levels "$work/cut.wav")
    gain=$(awk -v p="$peak" -v r="$rms" -v t="$target_rms_db" -v m="$max_peak_db" \
        'BEGIN { g = t - r; if (p + g > m) g = m - p; printf "%.2f", g }')
    sox -R "$work/shaped.dat" -b 16 "$work/voice/$letter.wav" gain "$gain"
    [ "$kana" = "$letter" ] || cp "$work/voice/$letter.wav" "$work/voice/$kana.wav"
    printf '%s %s  %-8s %-3s %.3f s  gain %+6.2f dB\n' "$letter" "$kana" "$spoken" "$sound" \
        "$(soxi -D "$work/voice/$letter.wav")" "$gain"
}

letters=$(printf '%s' "$hiragana" | tr -d '\n' | perl -CSA -ne 'print "$_\n" for split //')
count=0
while IFS= read -r letter; do
    kana=$(katakana "$letter")
    # The katakana spelling first; the hiragana one for a letter whose katakana form the
    # dictionary takes for something else (ヘー for the particle "e").
    speak "$letter" "${kana}ー" 0 "${kana}ー" "${letter}ー"
    count=$((count + 1))
done <<<"$letters"
[ "$count" -eq 71 ] || die "spoke $count letters, expected 71"
while read -r letter text; do
    speak "$letter" "$text" 1 "$text"
done <<<"$named"

mkdir -p "$content/voice"
rm -f "$content/voice/"*.wav
cp "$work/voice/"*.wav "$content/voice/"
echo "makevoices: $(ls "$work/voice" | wc -l) clips in $content/voice"
