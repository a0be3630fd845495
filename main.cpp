#include "app/application.h"
#include "app/startup.h"

#include <QStringList>

int main(int argc, char *argv[])
{
    // Read before the application opens a display: --help and --version work over ssh too.
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const StartOptions options = StartOptions::parse(arguments);
    Application app(argc, argv);
    Main(options);
    return app.exec();
}
