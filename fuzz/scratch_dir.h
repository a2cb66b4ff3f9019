// A private scratch folder for the targets that read the program's files from the current
// folder: made once per process under the system's temporary folder and removed with whatever
// is left in it when the process exits. The folder is current only while a ScratchDir lives,
// so that libFuzzer's own relative paths (corpus, artifacts) keep meaning what they say.
#pragma once

#include <string>
#include <string_view>

class ScratchDir {
public:
    // Makes the folder on first use and enters it; aborts when either fails.
    ScratchDir();
    // Goes back to the folder that was current before.
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

private:
    int previous_ = -1;
};

// Replaces the named file in the current folder with bytes; aborts when that fails, since a
// target that cannot write its input would fuzz nothing.
void writeScratchFile(const char* name, std::string_view bytes);

// The named file's bytes, or an empty text when it cannot be read.
std::string readScratchFile(const char* name);
