// The small file layer under the program's files: byte streams opened by bare name in the
// current directory and held open for one read or write operation.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

enum class FileMode {
    readExclusive,  // existing file only; nobody else may open it meanwhile
    readShared,     // existing file only; others may read it too, never write
    createExclusive,  // created, or truncated when it exists; no sharing
    appendExclusive,  // created when missing, kept when present, positioned at its end; no sharing
};

// Owns one open file; closes it when destroyed. A File that failed to open answers every read
// and write with a failure.
class File {
public:
    File() = default;
    File(const char* name, FileMode mode);
    File(File&& other) noexcept;
    File& operator=(File&& other) noexcept;
    File(const File&) = delete;
    File& operator=(const File&) = delete;
    ~File();

    bool isOpen() const { return handle_ != kNoHandle; }

    // Reads up to size bytes: the number read, 0 at the end of the file, -1 on failure.
    std::int64_t read(void* buffer, std::size_t size);
    // Writes every byte or reports failure.
    bool write(std::string_view bytes);
    // Pushes written data to the disk before the file replaces another.
    bool flush();
    // Size in bytes, or -1 on failure.
    std::int64_t size() const;
    // Moves to offset bytes from the start; false on failure.
    bool seek(std::int64_t offset);
    void close();

private:
    static constexpr std::intptr_t kNoHandle = -1;
    std::intptr_t handle_ = kNoHandle;
};

// Moves the file from over the file to, replacing it in one step, so that a reader sees either
// the old file or the new one. False when the move failed; both files are then as they were.
bool replaceFile(const char* from, const char* to);

// Deletes a file; false when it could not be deleted or did not exist.
bool removeFile(const char* name);

// A seam for fault-injection tests: when a hook is set, every opening, write, flush and
// replacement asks it first and fails, doing nothing, when it answers false. The program never
// sets one.
enum class FileStep { open, write, flush, replace };
using FileFaultHook = bool (*)(FileStep step);
void setFileFaultHook(FileFaultHook hook);
// Whether the step may go ahead: always, unless a test's hook says otherwise.
bool fileStepAllowed(FileStep step);
