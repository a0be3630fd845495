#include "app/startup.h"

#include "app/form3.h"
#include "app/screens.h"
#include "lesson/voice.h"

void Main()
{
    Screens::form3().show();
    Voice::prepare();
}
