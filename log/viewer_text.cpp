// Choosing the part of the log the viewer shows.
#include "log/viewer_text.h"

#include <string>

namespace {

constexpr char kRecordStart[] = "\r\n#\r\n";
constexpr char kOmittedBefore[] =  // "（ファイルが大きいため、古い記録 "
    "\x81\x69\x83\x74\x83\x40\x83\x43\x83\x8b\x82\xaa\x91\xe5\x82\xab\x82\xa2\x82\xbd\x82\xdf"
    "\x81\x41\x8c\xc3\x82\xa2\x8b\x4c\x98\x5e ";
constexpr char kOmittedAfter[] =  // " バイトは表示していません）"
    " \x83\x6f\x83\x43\x83\x67\x82\xcd\x95\x5c\x8e\xa6\x82\xb5\x82\xc4\x82\xa2\x82\xdc\x82\xb9"
    "\x82\xf1\x81\x6a\r\n";

}  // namespace

ViewerRange viewerRange(std::int64_t fileSize)
{
    ViewerRange range;
    if (fileSize <= 0)
        return range;
    range.offset = fileSize > kMaxViewerBytes ? fileSize - kMaxViewerBytes : 0;
    range.length = static_cast<std::size_t>(fileSize - range.offset);
    return range;
}

Text viewerText(std::string_view bytes, std::int64_t offset)
{
    bytes = bytes.substr(0, bytes.find('\0'));
    if (offset == 0)
        return Text(bytes);
    // Start at a record, so that no record is shown cut; a tail without any record boundary
    // is shown from the cut.
    std::size_t start = bytes.find(kRecordStart);
    start = start == std::string_view::npos ? 0 : start + 2;
    return kOmittedBefore + std::to_string(offset + static_cast<std::int64_t>(start)) +
           kOmittedAfter + Text(bytes.substr(start));
}
