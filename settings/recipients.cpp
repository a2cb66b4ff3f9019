// Reading and writing ToName.dat.
#include "settings/recipients.h"

#include "common/byte_reader.h"
#include "common/file.h"
#include "common/number_text.h"
#include "common/replacing_writer.h"
#include "settings/field_reader.h"

std::array<RecipientEntry, kRecipientCount> recipients;
std::int32_t currentRecipient = 0;

void loadRecipients()
{
    File file(kRecipientFileName, FileMode::readExclusive);
    ByteReader reader(file);
    for (RecipientEntry& entry : recipients)
        readFields(reader, {&entry.name, &entry.address, &entry.charLimit});
}

void saveRecipients()
{
    ReplacingWriter writer(kRecipientFileName);
    for (const RecipientEntry& entry : recipients)
        writer.write(entry.name + ',' + entry.address + ',' + numberToText(entry.charLimit) +
                     "\r\n");
    writer.commit();
}
