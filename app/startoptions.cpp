#include "app/startoptions.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <cstdio>
#include <cstdlib>

StartOptions StartOptions::parse(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("ぴこもじ: こどものための、ひらがなとカタカナのもじあそび"));
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    const QCommandLineOption fullScreen(
        QStringLiteral("full-screen"), QStringLiteral("画面いっぱいに表示します。"));
    parser.addOption(fullScreen);
    parser.addPositionalArgument(QStringLiteral("LESSON_DIR"),
        QStringLiteral("開くレッスンのフォルダ（data/ と pic/、あれば voice/）。"),
        QStringLiteral("[LESSON_DIR]"));
    // A mistyped command ends with 64, as the other two programs and the manual say.
    if (!parser.parse(arguments)) {
        std::fprintf(
            stderr, "%s\n\n%s", qPrintable(parser.errorText()), qPrintable(parser.helpText()));
        std::exit(64);
    }
    if (parser.isSet(help))
        parser.showHelp();
    if (parser.isSet(version))
        parser.showVersion();
    const QStringList positional = parser.positionalArguments();
    if (positional.size() > 1) {
        std::fprintf(stderr, "%s\n",
            qPrintable(QStringLiteral("レッスンのフォルダはひとつだけ指定してください: %1")
                           .arg(positional.join(u' '))));
        std::exit(64);
    }
    return {parser.isSet(fullScreen), positional.value(0)};
}
