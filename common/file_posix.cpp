// The file layer on POSIX descriptors. POSIX has no sharing modes, so the exclusive and shared
// reads open alike.
#include "common/file.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

int flagsFor(FileMode mode)
{
    switch (mode) {
    case FileMode::readExclusive:
    case FileMode::readShared:      return O_RDONLY;
    case FileMode::createExclusive: return O_WRONLY | O_CREAT | O_TRUNC;
    case FileMode::appendExclusive: return O_WRONLY | O_CREAT | O_APPEND;
    }
    return O_RDONLY;
}

int asDescriptor(std::intptr_t handle) { return static_cast<int>(handle); }

}  // namespace

File::File(const char* name, FileMode mode)
{
    if (!fileStepAllowed(FileStep::open))
        return;
    int descriptor;
    do
        descriptor = ::open(name, flagsFor(mode) | O_CLOEXEC, 0644);
    while (descriptor < 0 && errno == EINTR);
    if (descriptor < 0)
        return;
    // A directory opens for reading on POSIX; as a file of the program it is no file at all.
    struct stat status;
    if (fstat(descriptor, &status) != 0 || S_ISDIR(status.st_mode)) {
        ::close(descriptor);
        return;
    }
    handle_ = descriptor;
}

std::int64_t File::read(void* buffer, std::size_t size)
{
    if (!isOpen())
        return -1;
    ssize_t got;
    do
        got = ::read(asDescriptor(handle_), buffer, size);
    while (got < 0 && errno == EINTR);
    return got < 0 ? -1 : got;
}

bool File::write(std::string_view bytes)
{
    if (!isOpen() || !fileStepAllowed(FileStep::write))
        return false;
    while (!bytes.empty()) {
        ssize_t written = ::write(asDescriptor(handle_), bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

bool File::flush()
{
    return isOpen() && fileStepAllowed(FileStep::flush) && ::fsync(asDescriptor(handle_)) == 0;
}

std::int64_t File::size() const
{
    struct stat status;
    if (!isOpen() || fstat(asDescriptor(handle_), &status) != 0)
        return -1;
    return status.st_size;
}

bool File::seek(std::int64_t offset)
{
    return isOpen() && ::lseek(asDescriptor(handle_), offset, SEEK_SET) == offset;
}

void File::close()
{
    if (isOpen())
        ::close(asDescriptor(handle_));
    handle_ = kNoHandle;
}

bool replaceFile(const char* from, const char* to)
{
    if (!fileStepAllowed(FileStep::replace))
        return false;
    // A file its owner cannot write is not to be replaced, as truncating it in place would fail.
    if (::access(to, W_OK) != 0 && errno != ENOENT)
        return false;
    return std::rename(from, to) == 0;
}

bool removeFile(const char* name) { return ::unlink(name) == 0; }
