// The program's help file.
#pragma once

// Asks the shell to open "velmor.chm" from the current directory.
void openHelp();
