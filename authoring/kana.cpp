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
// when it is plain.
QChar plainOf(QChar hiragana)
{
    const qsizetype at = Voiced.indexOf(hiragana);
    if (at < 0)
        return hiragana;
    return QChar(char16_t(hiragana.unicode() - (at >= Voiced.indexOf(u'ぱ') ? 2 : 1)));
}

// The voiced and semi-voiced letters written on a plain hiragana (は gives ば and ぱ).
QString markedForms(QChar plain)
{
    QString forms;
    for (QChar voiced : Voiced)
        if (plainOf(voiced) == plain)
            forms += voiced;
    return forms;
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
    const bool katakana = c >= 0x30A1 && c <= 0x30F3;
    const QChar hiragana = katakana ? QChar(char16_t(c - KatakanaOffset)) : letter;
    if (!Plain.contains(hiragana) && !Voiced.contains(hiragana))
        return Script::None;
    return katakana ? Script::Katakana : Script::Hiragana;
}

bool isSmallOrLongMark(QChar letter)
{
    static const QString Small
        = QStringLiteral("ぁぃぅぇぉっゃゅょゎゕゖァィゥェォッャュョヮヵヶー");
    return Small.contains(letter);
}

QString romaji(QChar letter)
{
    const QChar hiragana = toHiragana(letter);
    if (script(letter) == Script::None)
        return {};
    const qsizetype plain = Plain.indexOf(hiragana);
    if (plain >= 0)
        return QString::fromLatin1(PlainRomaji[plain]);
    return QString::fromLatin1(VoicedRomaji[Voiced.indexOf(hiragana)]);
}

QStringList lookAlikes(QChar letter)
{
    const Script target = script(letter);
    if (target == Script::None)
        return {};
    const QChar hiragana = toHiragana(letter);
    const QChar plain = plainOf(hiragana);
    const QString plainLookAlikes = lookAlikeTable().value(inScript(plain, target));
    QString list;
    if (plain == hiragana) {
        // A plain letter: those that look like it, then its own voiced forms.
        for (QChar other : plainLookAlikes)
            appendNew(list, other, letter);
        for (QChar voiced : markedForms(plain))
            appendNew(list, inScript(voiced, target), letter);
    } else {
        // A voiced letter: the plain letter it is written on and its other forms, the voiced
        // forms of the letters that look like that one (ざ: さ, ぢ, ぎ), then those letters.
        appendNew(list, inScript(plain, target), letter);
        for (QChar voiced : markedForms(plain))
            appendNew(list, inScript(voiced, target), letter);
        for (QChar other : plainLookAlikes)
            for (QChar voiced : markedForms(toHiragana(other)))
                appendNew(list, inScript(voiced, target), letter);
        for (QChar other : plainLookAlikes)
            appendNew(list, other, letter);
    }
    QStringList letters;
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
    QList<QStringList> rivals;
    for (const QString &letter : letters)
        rivals << lookAlikes(letter[0]);
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
        for (const QString &other : lookAlikes(chosen[i][0]))
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

} // namespace Kana
