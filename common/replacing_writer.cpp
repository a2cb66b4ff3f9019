// Replacing a file by way of a temporary file beside it.
#include "common/replacing_writer.h"

ReplacingWriter::ReplacingWriter(const char* name)
    : name_(name), temporaryName_(name_ + ".new"),
      file_(temporaryName_.c_str(), FileMode::createExclusive)
{
    failed_ = !file_.isOpen();
}

ReplacingWriter::~ReplacingWriter()
{
    if (committed_)
        return;
    bool created = file_.isOpen();
    file_.close();
    if (created)
        removeFile(temporaryName_.c_str());
}

void ReplacingWriter::write(std::string_view bytes)
{
    if (!failed_ && !file_.write(bytes))
        failed_ = true;
}

bool ReplacingWriter::commit()
{
    if (committed_ || failed_ || !file_.flush())
        return false;
    file_.close();
    if (!replaceFile(temporaryName_.c_str(), name_.c_str())) {
        removeFile(temporaryName_.c_str());
        failed_ = true;
        return false;
    }
    committed_ = true;
    return true;
}

