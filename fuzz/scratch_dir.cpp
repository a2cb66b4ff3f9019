// The scratch folder of the file targets.
#include "scratch_dir.h"

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

std::string scratchPath;

void removeScratchDir()
{
    if (scratchPath.empty())
        return;
    if (DIR* dir = opendir(scratchPath.c_str())) {
        while (dirent* entry = readdir(dir)) {
            std::string name = entry->d_name;
            if (name != "." && name != "..")
                unlink((scratchPath + "/" + name).c_str());
        }
        closedir(dir);
    }
    rmdir(scratchPath.c_str());
}

}  // namespace

ScratchDir::ScratchDir()
{
    if (scratchPath.empty()) {
        // Memory-backed where there is such a folder: the settings writer flushes every file it
        // saves to the disk, which on a real disk would bound the target to a few hundred runs
        // a second.
        const char* base = std::getenv("TMPDIR");
        if (!base || !*base)
            base = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
        std::string pattern = std::string(base) + "/velmor-fuzz-XXXXXX";
        if (!mkdtemp(pattern.data())) {
            std::perror("velmor fuzz: scratch folder");
            std::abort();
        }
        scratchPath = pattern;
        std::atexit(removeScratchDir);
    }
    previous_ = open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (previous_ < 0 || chdir(scratchPath.c_str()) != 0) {
        std::perror("velmor fuzz: entering the scratch folder");
        std::abort();
    }
}

ScratchDir::~ScratchDir()
{
    if (fchdir(previous_) != 0) {
        std::perror("velmor fuzz: leaving the scratch folder");
        std::abort();
    }
    close(previous_);
}

void writeScratchFile(const char* name, std::string_view bytes)
{
    int descriptor = open(name, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    bool written = descriptor >= 0;
    std::size_t done = 0;
    while (written && done < bytes.size()) {
        ssize_t count = write(descriptor, bytes.data() + done, bytes.size() - done);
        if (count <= 0)
            written = false;
        else
            done += static_cast<std::size_t>(count);
    }
    if (descriptor >= 0 && close(descriptor) != 0)
        written = false;
    if (!written) {
        std::perror("velmor fuzz: writing the input file");
        std::abort();
    }
}

std::string readScratchFile(const char* name)
{
    std::string bytes;
    int descriptor = open(name, O_RDONLY | O_CLOEXEC);
    if (descriptor < 0)
        return bytes;
    char chunk[4096];
    ssize_t count;
    while ((count = read(descriptor, chunk, sizeof chunk)) > 0)
        bytes.append(chunk, static_cast<std::size_t>(count));
    close(descriptor);
    return bytes;
}
