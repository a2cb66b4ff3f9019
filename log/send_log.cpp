// Appending records to the send log. Neither the opening nor the writes are checked: a log
// that cannot be written loses the record and the send goes on as if it had been written.
#include "log/send_log.h"

#include "common/file.h"
#include "common/local_time.h"
#include "message/message_texts.h"
#include "settings/settings.h"

namespace {

constexpr char kLineEnd[] = "\r\n";
constexpr char kDatePicture[] = "yyyy/MM/dd/_";
constexpr char kTimePicture[] = "HH\x81" "Fmm\x81" "Fss";  // "HH：mm：ss", full-width colons
constexpr char kFailureLine[] =
    "\x83G\x83\x89\x81[\x82\xc9\x82\xe6\x82\xe8\x91\x97\x90M\x82\xc5\x82\xab\x82\xdc\x82\xb9"
    "\x82\xf1\x82\xc5\x82\xb5\x82\xbd";  // "エラーにより送信できませんでした"

// Each line goes out with its line end in one write. Lines are written whole, however long
// the settings texts in them are.
void writeLine(File& log, Text line)
{
    line += kLineEnd;
    log.write(line);
}

}  // namespace

Text logTimestamp()
{
    LocalTime now = currentLocalTime();
    return formatDatePicture(now, kDatePicture) + formatTimePicture(now, kTimePicture);
}

void appendSentRecord()
{
    File log(kSendLogFileName, FileMode::appendExclusive);
    writeLine(log, "#");
    writeLine(log, "From:" + settings.fromName.str() + "<" + settings.fromAddress.str() + ">");
    writeLine(log, "To:" + settings.toAddress.str());
    writeLine(log, "Date:" + logTimestamp());
    writeLine(log, "Subject:");
    writeLine(log, messageText);
}

void appendFailureRecord()
{
    File log(kSendLogFileName, FileMode::appendExclusive);
    writeLine(log, "#");
    writeLine(log, "Date:" + logTimestamp());
    writeLine(log, kFailureLine);
}
