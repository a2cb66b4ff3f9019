// Message parts, the counter and the label state.
#include "message/message_parts.h"

#include "common/number_text.h"

namespace {

constexpr char kCounterPrefix[] = "\x95\xb6\x8e\x9a\x90\x94:";  // "文字数:" in code page 932
constexpr char kTitlePrefix[] = "To ";

}  // namespace

MessageParts splitMessage(std::string_view text)
{
    text = text.substr(0, text.find('\0'));
    MessageParts parts;
    std::size_t cr = text.find('\r');
    if (cr != std::string_view::npos)
        parts.subject = cappedCp932(text.substr(0, cr), kMaxSubjectBytes);
    std::size_t lf = text.find('\n');
    parts.body = Text(lf == std::string_view::npos ? text : text.substr(lf + 1));
    return parts;
}

Text counterText(double count, double limit)
{
    return cappedCp932(kCounterPrefix + numberToText(count) + "/" + numberToText(limit),
                       kMaxLineBytes);
}

SubjectLabel subjectLabelFor(double count, double limit)
{
    return limit - count > 0 ? SubjectLabel::belowLimit : SubjectLabel::atOrAboveLimit;
}

bool warningSoundDue(double count, double limit, std::int16_t warnSound)
{
    return count - limit == 0 && warnSound == 1;
}

Text recipientTitle(std::string_view name)
{
    Text title = kTitlePrefix;
    title += name.substr(0, name.find('\0'));
    return cappedCp932(title, kMaxLineBytes);
}
