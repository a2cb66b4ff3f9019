// The parts of File that do not depend on the system: ownership of the handle.
#include "common/file.h"

File::File(File&& other) noexcept : handle_(other.handle_) { other.handle_ = kNoHandle; }

File& File::operator=(File&& other) noexcept
{
    if (this != &other) {
        close();
        handle_ = other.handle_;
        other.handle_ = kNoHandle;
    }
    return *this;
}

File::~File() { close(); }

namespace {

FileFaultHook faultHook = nullptr;

}  // namespace

void setFileFaultHook(FileFaultHook hook) { faultHook = hook; }

bool fileStepAllowed(FileStep step) { return !faultHook || faultHook(step); }
