#include "authoring/kana.h"

#include <QHash>
#include <QStringConverter>

#include <random>

namespace Kana {
namespace {

// Katakana sit 0x60 code points above the hiragana of the same sound.
constexpr char16_t KatakanaOffset = 0x30A1 - 0x3041;

const QString Plain = QStringLiteral("あいうえおかきくけこさしすせそたちつてとなにぬねの"
                                     "はひふへほまみむめもやゆよらりるれろわをん");
const char *const PlainRomaji[]
    = {"a", "i", "u", "e", "o", "ka", "ki", "ku", "ke", "ko", "sa", "shi", "su", "se", "so", "ta",
        "chi", "tsu", "te", "to", "na", "ni", "nu", "ne", "no", "ha", "hi", "fu", "he", "ho", "ma",
        "mi", "mu", "me", "mo", "ya", "yu", "yo", "ra", "ri", "ru", "re", "ro", "wa", "wo", "n"};
// Each letter with a dakuten follows its plain letter, and one with a handakuten follows that.
const QString Voiced = QStringLiteral("がぎぐげござじずぜぞだぢづでどばびぶべぼぱぴぷぺぽ");
const char *const VoicedRomaji[] = {"ga", "gi", "gu", "ge", "go", "za", "ji", "zu", "ze", "zo",
    "da", "ji", "zu", "de", "do", "ba", "bi", "bu", "be", "bo", "pa", "pi", "pu", "pe", "po"};
// ゔ is written on う but lies apart from the other voiced letters in Unicode.
constexpr char16_t Vu = u'ゔ';
// The small kana children write, and the large letter each is a small form of.
const QString Small = QStringLiteral("ぁぃぅぇぉっゃゅょゎ");
const QString Large = QStringLiteral("あいうえおつやゆよわ");
constexpr char16_t LongMark = u'ー';
// The letters a child could take ー for, in either script: those made of level strokes.
const QString LongMarkLookAlikesHiragana = QStringLiteral("へこつ");
const QString LongMarkLookAlikesKatakana = QStringLiteral("ニエヘ");

// For every plain letter, the letters of its script a young reader mixes it up with, closest
// first. The hiragana pairs are the classic ones of Japanese first readers (さ/ち, ね/れ/わ, ぬ/め,
// る/ろ, は/ほ); katakana has its own (シ/ツ, ソ/ン, ク/ワ/タ, ア/マ).
const char16_t *const LookAlikeRows[] = {
    u"あおめぬの",
    u"いりこけ",
    u"うつらち",
    u"えんそろ",
    u"おあむす",
    u"かやけり",
    u"きさちま",
    u"くへしと",
    u"けはほに",
    u"こいにて",
    u"さきちろ",
    u"しつもく",
    u"すむおあ",
    u"せもやけ",
    u"そてろる",
    u"たなにこ",
    u"ちさらう",
    u"つうしと",
    u"てそとつ",
    u"とてくこ",
    u"なたはま",
    u"にこけた",
    u"ぬめねの",
    u"ねれわぬ",
    u"のめあぬ",
    u"はほけま",
    u"ひいしつ",
    u"ふろるう",
    u"へくしと",
    u"ほはまけ",
    u"まほよも",
    u"みよろる",
    u"むすおあ",
    u"めぬあの",
    u"もましせ",
    u"やかせゆ",
    u"ゆよわや",
    u"よまゆは",
    u"らうちろ",
    u"りいけこ",
    u"るろそえ",
    u"れねわん",
    u"ろるらそ",
    u"わねれゆ",
    u"をとおち",
    u"んえそれ",
    u"アマヤフ",
    u"イトノメ",
    u"ウワクフ",
    u"エユコニ",
    u"オホネス",
    u"カヤケク",
    u"キモチテ",
    u"クワケタ",
    u"ケクナタ",
    u"コユロヨ",
    u"サセヤナ",
    u"シツミソ",
    u"スヌフヲ",
    u"セサヤエ",
    u"ソンリツ",
    u"タクワケ",
    u"チテキナ",
    u"ツシソン",
    u"テチラキ",
    u"トイノヘ",
    u"ナメチサ",
    u"ニコエユ",
    u"ヌスメフ",
    u"ネホオヌ",
    u"ノメソン",
    u"ハルヘノ",
    u"ヒセエヨ",
    u"フヌワラ",
    u"ヘハクノ",
    u"ホネオキ",
    u"マアムヤ",
    u"ミシニヨ",
    u"ムマスヌ",
    u"メナノヌ",
    u"モキチテ",
    u"ヤセサマ",
    u"ユコヨエ",
    u"ヨユコヲ",
    u"ラフテヲ",
    u"リソルン",
    u"ルレノリ",
    u"レルシソ",
    u"ロコヨユ",
    u"ワウクフ",
    u"ヲヨラフ",
    u"ンソシツ",
};

QChar toHiragana(QChar letter)
{
    return script(letter) == Script::Katakana ? QChar(char16_t(letter.unicode() - KatakanaOffset))
                                              : letter;
}

QChar inScript(QChar hiragana, Script target)
{
    return target == Script::Katakana ? QChar(char16_t(hiragana.unicode() + KatakanaOffset))
                                      : hiragana;
}

// The plain letter a voiced or semi-voiced one is written on (が gives か); the letter itself
// when it is plain or small.
QChar plainOf(QChar hiragana)
{
    if (hiragana == Vu)
        return u'う';
    const qsizetype at = Voiced.indexOf(hiragana);
    if (at < 0)
        return hiragana;
    return QChar(char16_t(hiragana.unicode() - (at >= Voiced.indexOf(u'ぱ') ? 2 : 1)));
}

// The voiced and semi-voiced letters written on a plain hiragana (は gives ば and ぱ). ゔ only
// for katakana: children meet it as ヴ, and it has no Shift-JIS code for a lesson file.
QString markedForms(QChar plain, Script target)
{
    QString forms;
    for (QChar voiced : target == Script::Katakana ? Voiced + Vu : Voiced)
        if (plainOf(voiced) == plain)
            forms += voiced;
    return forms;
}

// The small form of a large hiragana (つ gives っ), or a null QChar.
QChar smallOf(QChar hiragana)
{
    const qsizetype at = Large.indexOf(hiragana);
    return at < 0 ? QChar() : Small[at];
}

QString letterRomaji(QChar hiragana)
{
    static const char *const SmallRomaji[]
        = {"a", "i", "u", "e", "o", "tsu", "ya", "yu", "yo", "wa"};
    if (hiragana == Vu)
        return QStringLiteral("vu");
    if (const qsizetype at = Small.indexOf(hiragana); at >= 0)
        return QString::fromLatin1(SmallRomaji[at]);
    if (const qsizetype at = Plain.indexOf(hiragana); at >= 0)
        return QString::fromLatin1(PlainRomaji[at]);
    return QString::fromLatin1(VoicedRomaji[Voiced.indexOf(hiragana)]);
}

bool isVowel(QChar c)
{
    return QStringLiteral("aiueo").contains(c);
}

const QHash<QChar, QString> &lookAlikeTable()
{
    static const QHash<QChar, QString> table = [] {
        QHash<QChar, QString> rows;
        for (const char16_t *row : LookAlikeRows) {
            const QString text = QString::fromUtf16(row);
            rows.insert(text[0], text.mid(1));
        }
        return rows;
    }();
    return table;
}

void appendNew(QString &list, QChar letter, QChar except)
{
    if (letter != except && !list.contains(letter))
        list += letter;
}

} // namespace

Script script(QChar letter)
{
    const char16_t c = letter.unicode();
    if (c == LongMark)
        return Script::Either;
    const bool katakana = c >= 0x30A1 && c <= 0x30F4; // ァ to ヴ
    const QChar hiragana = katakana ? QChar(char16_t(c - KatakanaOffset)) : letter;
    if (!Plain.contains(hiragana) && !Voiced.contains(hiragana) && !Small.contains(hiragana)
        && hiragana != Vu)
        return Script::None;
    return katakana ? Script::Katakana : Script::Hiragana;
}

Script wordScript(const QStringList &letters)
{
    for (const QString &letter : letters)
        if (letter.size() == 1 && script(letter[0]) != Script::Either)
            return script(letter[0]);
    return Script::None;
}

bool isSmall(QChar letter)
{
    return script(letter) != Script::None && Small.contains(toHiragana(letter));
}

QString romaji(const QStringList &letters)
{
    QString name;
    bool doubleNext = false; // after っ
    for (const QString &letter : letters) {
        if (letter.size() != 1 || script(letter[0]) == Script::None)
            return {};
        const QChar hiragana = toHiragana(letter[0]);
        const bool afterSyllable
            = name.size() >= 2 && isVowel(name.back()) && !isVowel(name[name.size() - 2]);
        if (hiragana == LongMark) {
            if (!name.isEmpty() && isVowel(name.back()))
                name += name.back(); // ケーキ: keeki
            continue;
        }
        if (hiragana == u'っ' && !doubleNext) {
            doubleNext = true;
            continue;
        }
        QString reading = letterRomaji(hiragana);
        if (QStringLiteral("ゃゅょ").contains(hiragana) && afterSyllable && name.back() == u'i') {
            // きゃ: kya; しゃ, ちゃ, じゃ: sha, cha, ja.
            name.chop(1);
            const bool palatal
                = name.endsWith(u"sh") || name.endsWith(u"ch") || name.endsWith(u'j');
            name += palatal ? reading.mid(1) : reading;
            continue;
        }
        if (QStringLiteral("ぁぃぅぇぉ").contains(hiragana) && afterSyllable) {
            name.back() = reading[0]; // ファ: fa; ティ: ti
            continue;
        }
        if (doubleNext) {
            doubleNext = false;
            // きって: kitte; まっちゃ: matcha; a vowel cannot be doubled, so っ is read as tsu.
            name += isVowel(reading[0])     ? QStringLiteral("tsu")
                : reading.startsWith(u"ch") ? QStringLiteral("t")
                                            : QString(reading[0]);
        }
        name += reading;
    }
    if (doubleNext)
        name += QStringLiteral("tsu");
    return name;
}

QStringList lookAlikes(QChar letter, Script context)
{
    Script target = script(letter);
    if (target == Script::None)
        return {};
    QStringList letters;
    if (target == Script::Either) {
        for (QChar other :
            context == Script::Hiragana ? LongMarkLookAlikesHiragana : LongMarkLookAlikesKatakana)
            letters << QString(other);
        return letters;
    }
    const QChar hiragana = toHiragana(letter);
    if (const qsizetype at = Small.indexOf(hiragana); at >= 0) {
        const QChar large = Large[at];
        // A small letter: its large form, the small forms of the letters that look like that
        // one (ゃ: や, ゅ), then those letters.
        letters << QString(inScript(large, target));
        for (const QString &other : lookAlikes(inScript(large, target)))
            if (const QChar small = smallOf(toHiragana(other[0]));
                !small.isNull() && small != hiragana)
                letters << QString(inScript(small, target));
        for (const QString &other : lookAlikes(inScript(large, target)))
            if (!isSmall(other[0]) && !letters.contains(other))
                letters << other;
        return letters;
    }
    const QChar plain = plainOf(hiragana);
    const QString plainLookAlikes = lookAlikeTable().value(inScript(plain, target));
    QString list;
    if (plain == hiragana) {
        // A plain letter: those that look like it, then its own voiced forms.
        for (QChar other : plainLookAlikes)
            appendNew(list, other, letter);
        for (QChar voiced : markedForms(plain, target))
            appendNew(list, inScript(voiced, target), letter);
    } else {
        // A voiced letter: the plain letter it is written on and its other forms, the voiced
        // forms of the letters that look like that one (ざ: さ, ぢ, ぎ), then those letters.
        appendNew(list, inScript(plain, target), letter);
        for (QChar voiced : markedForms(plain, target))
            appendNew(list, inScript(voiced, target), letter);
        for (QChar other : plainLookAlikes)
            for (QChar voiced : markedForms(toHiragana(other), target))
                appendNew(list, inScript(voiced, target), letter);
        for (QChar other : plainLookAlikes)
            appendNew(list, other, letter);
    }
    // Last its small form: telling つ from っ is what a child learns, but a word of large letters
    // should first be asked against other large ones.
    if (const QChar small = smallOf(hiragana); !small.isNull())
        appendNew(list, inScript(small, target), letter);
    for (QChar c : list)
        letters << QString(c);
    return letters;
}

QStringList chooseDistractors(const QStringList &letters)
{
    QStringList answers = letters;
    answers.removeDuplicates();
    QStringList chosen;
    auto take = [&](const QString &candidate) {
        if (answers.size() < AnswerCount && !answers.contains(candidate)) {
            answers << candidate;
            chosen << candidate;
        }
    };
    // Round by round: the closest rival of every letter, then the next closest, and so on.
    const Script context = wordScript(letters);
    QList<QStringList> rivals;
    for (const QString &letter : letters)
        rivals << lookAlikes(letter[0], context);
    for (qsizetype round = 0; answers.size() < AnswerCount; ++round) {
        bool any = false;
        for (const QStringList &list : rivals) {
            if (round < list.size()) {
                take(list[round]);
                any = true;
            }
        }
        if (!any)
            break;
    }
    // The rivals' rivals, should the word's own run out (one letter with few look-alikes).
    for (qsizetype i = 0; i < chosen.size() && answers.size() < AnswerCount; ++i)
        for (const QString &other : lookAlikes(chosen[i][0], context))
            take(other);
    return chosen;
}

void mixAnswers(QList<Answers> &words)
{
    std::mt19937 random(20240401u);
    // std::shuffle's steps differ between standard libraries; this Fisher-Yates with a plain
    // modulo uses only mt19937's output, which the standard fixes.
    auto shuffle = [&random](QStringList &list) {
        for (qsizetype i = list.size() - 1; i > 0; --i)
            list.swapItemsAt(i, static_cast<qsizetype>(random() % static_cast<quint32>(i + 1)));
    };
    qsizetype previousFirst = -1;
    for (Answers &word : words) {
        for (;;) {
            shuffle(word.answers);
            const bool spellsWord = word.letters.size() > 1
                && word.answers.mid(0, word.letters.size()) == word.letters;
            const qsizetype first = word.answers.indexOf(word.letters.first());
            if (!spellsWord && first != previousFirst) {
                previousFirst = first;
                break;
            }
        }
    }
}

std::optional<QByteArray> lessonFileBytes(const QList<QStringList> &rows)
{
    QString text;
    for (const QStringList &fields : rows)
        text += fields.join(u',') + QStringLiteral("\r\n");
    QStringEncoder encoder("CP932");
    const QByteArray bytes = encoder(text);
    if (!encoder.isValid() || encoder.hasError())
        return std::nullopt;
    return bytes;
}

QString normalised(const QString &word)
{
    QString text;
    for (QChar c : word) {
        if (c.unicode() >= 0xFF61 && c.unicode() <= 0xFF9F) // half-width katakana and marks
            text += QString(c).normalized(QString::NormalizationForm_KC);
        else if (c == u'゛' || c == u'゜') // typed apart: the combining marks compose with NFC
            text += QChar(char16_t(c.unicode() - 2));
        else
            text += c;
    }
    return text.normalized(QString::NormalizationForm_C);
}

} // namespace Kana
