#include "app/startup.h"

#include "media/voice.h"
#include "screens/form3.h"
#include "screens/screens.h"

void Main()
{
    Screens::form3().show();
    Voice::prepare();
}
