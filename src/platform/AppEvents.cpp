#include "AppEvents.h"

AppEvents &AppEvents::instance()
{
    static AppEvents *events = new AppEvents; // lives as long as the process
    return *events;
}
