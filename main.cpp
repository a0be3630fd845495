#include "app/application.h"
#include "app/startup.h"

int main(int argc, char *argv[])
{
    Application app(argc, argv);
    Main(StartOptions::parse(QCoreApplication::arguments()));
    return app.exec();
}
