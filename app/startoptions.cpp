#include "app/startoptions.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <cstdio>
#include <cstdlib>

namespace {

// Parents read the program's help in Japanese, as they read its screens; Qt's own help text would
// mix in English headings, so the whole text is written here.
const char *const Usage = "使いかた: pikomoji [--full-screen] [レッスンのフォルダ]\n"
                          "          pikomoji --help | --version\n";
const char *const Help
    = "ぴこもじ: こどものための、ひらがなとカタカナのもじあそび\n"
      "\n"
      "  レッスンのフォルダ  開くレッスン（data/ と pic/、あれば voice/）。\n"
      "                      なければ、プログラムのとなりのレッスンを開きます。\n"
      "  --full-screen       画面いっぱいに表示します（F11 でもどります）。\n"
      "  -h, --help          この説明を表示して終わります。\n"
      "  -v, --version       版を表示して終わります。\n";

[[noreturn]] void finish(std::FILE *stream, const QString &text, int status)
{
    std::fputs(text.toLocal8Bit().constData(), stream);
    std::exit(status);
}

} // namespace

StartOptions StartOptions::parse(const QStringList &arguments)
{
    QCommandLineParser parser;
    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")});
    const QCommandLineOption version(QStringList{QStringLiteral("v"), QStringLiteral("version")});
    const QCommandLineOption fullScreen(QStringLiteral("full-screen"));
    parser.addOptions({help, version, fullScreen});
    if (!parser.parse(arguments)) // the only way to fail: an option it does not know
        finish(stderr,
            QStringLiteral("知らないオプションです: %1\n")
                    .arg(parser.unknownOptionNames().join(QStringLiteral(", ")))
                + QString::fromUtf8(Usage),
            64);
    if (parser.isSet(help))
        finish(stdout, QString::fromUtf8(Usage) + u'\n' + QString::fromUtf8(Help), 0);
    if (parser.isSet(version))
        finish(stdout, QStringLiteral("pikomoji %1\n").arg(QStringLiteral(PIKOMOJI_VERSION)), 0);
    const QStringList positional = parser.positionalArguments();
    if (positional.size() > 1)
        finish(stderr,
            QStringLiteral("レッスンのフォルダはひとつだけ指定してください: %1\n")
                    .arg(positional.join(u' '))
                + QString::fromUtf8(Usage),
            64);
    return {parser.isSet(fullScreen), positional.value(0)};
}
