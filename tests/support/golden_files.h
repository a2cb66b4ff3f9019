// The sample account and recipients used across suites, and the exact bytes velmor.ini and
// ToName.dat hold for them, written out independently of the code that saves them.
#pragma once

#include <string>

// velmor.ini for the given values (in file form), with the labels the program writes.
std::string settingsFile(const std::string (&values)[16]);

// The sample account: fills the Settings record, and the file values it saves as.
void fillSampleSettings();
extern const std::string kSampleSettingsValues[16];

// Five sample recipients (one of them empty), and the ToName.dat they save as.
void fillSampleRecipients();
std::string sampleRecipientsFile();
