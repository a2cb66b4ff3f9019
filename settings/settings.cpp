// The program-wide Settings record, zero-initialised until the settings file is read.
#include "settings/settings.h"

Settings settings;
