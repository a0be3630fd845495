// The shipped voice clips, measured the way an ear would judge them: no one can listen to 165
// clips after every regeneration, so these figures stand in for it. A syllable that starts with
// k, s, t, h or p must keep its burst or breath (the high band strong against the low at the
// start), no clip may start with a click, and all must be of a usable length and loudness.

#include "testsupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QSet>
#include <QtEndian>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

namespace {

const QString VoiceFolder = QStringLiteral(PIKOMOJI_CONTENT_DIR "/voice");
constexpr int Rate = 22050;

const QString Hiragana
    = QStringLiteral("あいうえおかきくけこさしすせそたちつてとなにぬねのはひふへほ"
                     "まみむめもやゆよらりるれろわをんがぎぐげござじずぜぞだぢづで"
                     "どばびぶべぼぱぴぷぺぽ");
// The syllables that start with a voiceless k, s, t, h or p: か to こ, さ to そ, た to と, は
// to ほ and ぱ to ぽ.
const QString Voiceless = QStringLiteral("かきくけこさしすせそたちつてとはひふへほぱぴぷぺぽ");
// The small kana, said as ちいさい「つ」: their name starts with a voiceless ch.
const QString Small = QStringLiteral("ぁぃぅぇぉっゃゅょゎ");
// The letters said by a name (the small kana, のばすぼう, うてんてん), which may run longer.
const QString Named = Small + QStringLiteral("ーゔァィゥェォッャュョヮヴ");
// Bare vowels, nasals and glides: no burst or breath, so the measure must come out low.
const QString Voiced = QStringLiteral("あいうえおなにぬねのまみむめもやゆよわを");

QChar toKatakana(QChar c)
{
    return QChar(c.unicode() + 0x60);
}

// The samples of a 16-bit mono PCM WAV at 22050 Hz with the usual 44-byte header, scaled to
// -1..1; empty for anything else.
std::vector<double> readClip(const QString &path)
{
    QFile file(path);
    const QByteArray bytes = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    // fmt: PCM, one channel, the rate, bytes per second, bytes per frame, bits; then "data".
    if (bytes.mid(20, 16) != le16({1, 1, Rate, 0, 2 * Rate, 0, 2, 16})
        || bytes.mid(36, 4) != "data")
        return {};
    std::vector<double> samples((bytes.size() - 44) / 2);
    for (size_t i = 0; i < samples.size(); ++i)
        samples[i] = qFromLittleEndian<qint16>(bytes.constData() + 44 + 2 * i) / 32768.0;
    return samples;
}

double energy(const std::vector<double> &x, size_t from, size_t count)
{
    double sum = 0;
    for (size_t i = from; i < from + count; ++i)
        sum += x[i] * x[i];
    return sum / count;
}

double decibels(double ratio)
{
    return 10 * std::log10(std::max(ratio, 1e-30));
}

// The consonant measure: over the audible 10 ms frames of the first 120 ms (within 35 dB of
// the clip's loudest frame), the strongest ratio of the energy above 3 kHz to the energy below
// 1 kHz, in dB. A burst or breath measures well above -5 dB; voicing from the first sample, as
// in a bare vowel, measures far below.
double consonantRatioDb(const std::vector<double> &x)
{
    constexpr size_t Frame = Rate / 100;
    const size_t frames = x.size() / Frame;
    double loudest = 0;
    for (size_t k = 0; k < frames; ++k)
        loudest = std::max(loudest, energy(x, k * Frame, Frame));
    double best = -1000;
    for (size_t k = 0; k < std::min<size_t>(frames, 12); ++k) {
        if (decibels(energy(x, k * Frame, Frame) / loudest) < -35)
            continue;
        std::vector<double> windowed(Frame);
        for (size_t i = 0; i < Frame; ++i)
            windowed[i]
                = x[k * Frame + i] * (0.5 - 0.5 * std::cos(2 * std::numbers::pi * i / (Frame - 1)));
        double low = 1e-30;
        double high = 1e-30;
        for (size_t bin = 1; bin <= Frame / 2; ++bin) {
            const double hertz = double(bin) * Rate / Frame;
            if (hertz >= 1000 && hertz <= 3000)
                continue;
            double re = 0;
            double im = 0;
            for (size_t i = 0; i < Frame; ++i) {
                const double angle = 2 * std::numbers::pi * bin * i / Frame;
                re += windowed[i] * std::cos(angle);
                im += windowed[i] * std::sin(angle);
            }
            (hertz < 1000 ? low : high) += re * re + im * im;
        }
        best = std::max(best, decibels(high / low));
    }
    return best;
}

// The RMS of the loudest 50 ms (in 10 ms steps), in dBFS: the vowel, which the ear judges a
// syllable's loudness by.
double levelDb(const std::vector<double> &x)
{
    const size_t window = Rate / 20;
    double best = 0;
    for (size_t at = 0; at + window <= x.size(); at += Rate / 100)
        best = std::max(best, energy(x, at, window));
    return decibels(best);
}

double peak(const std::vector<double> &x, size_t from, size_t to)
{
    double most = 0;
    for (size_t i = from; i < std::min(to, x.size()); ++i)
        most = std::max(most, std::abs(x[i]));
    return most;
}

// Every clip of the voice folder by its letter, read once; an empty clip for a file that is not
// 16-bit mono PCM at 22050 Hz.
const QMap<QString, std::vector<double>> &shippedClips()
{
    static const QMap<QString, std::vector<double>> clips = [] {
        QMap<QString, std::vector<double>> read;
        for (const QFileInfo &info : QDir(VoiceFolder).entryInfoList({"*.wav"}, QDir::Files))
            read.insert(info.completeBaseName(), readClip(info.filePath()));
        return read;
    }();
    return clips;
}

TEST(VoiceClips, OneClipForEveryHiraganaAndKatakanaLetterAndNoOther)
{
    const auto *clips = &shippedClips();
    QSet<QString> expected;
    for (QChar c : Hiragana)
        expected << QString(c) << QString(toKatakana(c));
    for (QChar c : Named)
        expected << QString(c);
    ASSERT_EQ(expected.size(), 165);
    EXPECT_EQ(QSet<QString>(clips->keyBegin(), clips->keyEnd()), expected);
    for (auto it = clips->cbegin(); it != clips->cend(); ++it)
        EXPECT_FALSE(it->empty()) << it.key().toStdString() << ": not 16-bit mono PCM at 22050 Hz";
    // A katakana letter sounds as its hiragana.
    for (QChar c : Hiragana + Small + u'ゔ')
        EXPECT_TRUE(clips->value(QString(c)) == clips->value(QString(toKatakana(c))))
            << QString(c).toStdString();
}

TEST(VoiceClips, VoicelessConsonantsAreKeptAndVowelsMeasureLow)
{
    const auto *clips = &shippedClips();
    for (QChar c : Voiceless + Small + Voiced) {
        const std::vector<double> clip = clips->value(QString(c));
        ASSERT_FALSE(clip.empty()) << QString(c).toStdString();
        const double ratio = consonantRatioDb(clip);
        if (!Voiced.contains(c))
            EXPECT_GE(ratio, -5.0) << QString(c).toStdString() << ": the consonant is lost";
        else
            EXPECT_LT(ratio, -5.0) << QString(c).toStdString() << ": the measure sees a burst";
    }
}

TEST(VoiceClips, NoClickLengthAndLoudnessAlike)
{
    const auto *clips = &shippedClips();
    const size_t head = Rate * 25 / 1000;
    double quietest = 0;
    double loudest = -1000;
    for (auto it = clips->cbegin(); it != clips->cend(); ++it) {
        const std::vector<double> &x = *it;
        const std::string name = it.key().toStdString();
        const double seconds = double(x.size()) / Rate;
        EXPECT_GE(seconds, 0.15) << name;
        EXPECT_LE(seconds, Named.contains(it.key()) ? 1.6 : 1.2) << name;
        if (x.size() <= head)
            continue;
        EXPECT_LE(peak(x, 0, head), peak(x, head, x.size())) << name << ": a click at the start";
        const double level = levelDb(x);
        quietest = std::min(quietest, level);
        loudest = std::max(loudest, level);
    }
    EXPECT_LE(loudest - quietest, 3.0) << "loudest " << loudest << " dB, quietest " << quietest;
}

} // namespace
