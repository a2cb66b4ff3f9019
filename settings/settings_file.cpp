// Reading and writing velmor.ini.
#include "settings/settings_file.h"

#include <cmath>
#include <cstdint>

#include "common/byte_reader.h"
#include "common/file.h"
#include "common/number_text.h"
#include "common/replacing_writer.h"
#include "settings/field_reader.h"
#include "settings/settings.h"

namespace {

constexpr int kScrambleOffset = 2731;  // every byte value plus it has exactly four digits
constexpr std::size_t kScrambledDigits = 4;

// Line labels in file order, code page 932. The reader skips them; only the position counts.
constexpr const char* kLabels[16] = {
    "SMTP\x83T\x81[\x83o\x81[\x96\xbc",                      // "SMTPサーバー名"
    "\x91\x97\x90M\x8c\xb3\x96\xbc\x8f\xcc",                 // "送信元名称"
    "\x91\x97\x90M\x8c\xb3\x83" "A\x83h\x83\x8c\x83X",       // "送信元アドレス"
    "POP3\x83T\x81[\x83o\x81[\x96\xbc",                      // "POP3サーバー名"
    "\x91\x97\x90M\x8c\xb3ID",                               // "送信元ID"
    "POP3\x83p\x83X\x83\x8f\x81[\x83h",                      // "POP3パスワード"
    "\x91\x97\x90M\x90\xe6\x96\xbc",                         // "送信先名"
    "\x91\x97\x90M\x90\xe6\x83" "A\x83h\x83\x8c\x83X",       // "送信先アドレス"
    "\x95\xb6\x8e\x9a\x90\x94\x82\xcc\x90\xa7\x8c\xc0",      // "文字数の制限"
    "\x93\xa7\x89\xdf\x97\xa6",                              // "透過率"
    "\x93\xa7\x89\xdf\x82\xb7\x82\xe9\x82\xb5\x82\xc8\x82\xa2",  // "透過するしない"
    "\x8cx\x8d\x90\x89\xb9\x8eg\x82\xa4\x8eg\x82\xed\x82\xc8\x82\xa2",  // "警告音使う使わない"
    "POPbeforeSMTP\x8eg\x82\xa4\x8eg\x82\xed\x82\xc8\x82\xa2",  // "POPbeforeSMTP使う使わない"
    "APOP\x8eg\x82\xa4\x8eg\x82\xed\x82\xc8\x82\xa2",        // "APOP使う使わない"
    "SMTP-AUTH\x8eg\x82\xa4\x8eg\x82\xed\x82\xc8\x82\xa2",   // "SMTP-AUTH使う使わない"
    "\x83|\x81[\x83g\x94\xd4\x8d\x86",                       // "ポート番号"
};

constexpr int kPasswordLine = 6;

// The eight text fields in file order, lines 1 to 8.
FieldText* const kTextFields[8] = {
    &settings.smtpServer, &settings.fromName,     &settings.fromAddress, &settings.pop3Server,
    &settings.pop3UserId, &settings.pop3Password, &settings.toName,      &settings.toAddress,
};

// The eight numbers and flags in file order, lines 9 to 16.
const FieldTarget kNumberFields[8] = {
    &settings.charLimit,     &settings.opacity,        &settings.translucent,
    &settings.warnSound,     &settings.popBeforeSmtp,  &settings.apopBeforeSmtp,
    &settings.smtpAuth,      &settings.smtpPort,
};

struct NumberText {
    Text operator()(const Text*) const { return Text(); }
    Text operator()(const std::int16_t* value) const { return numberToText(*value); }
    Text operator()(const std::int32_t* value) const { return numberToText(*value); }
    Text operator()(const double* value) const { return numberToText(*value); }
};

Text settingsLine(int line, std::string_view value)
{
    Text text = kLabels[line - 1];
    text += ',';
    text += value;
    text += "\r\n";
    return text;
}

}  // namespace

Text scramblePassword(const Text& text, bool unscramble)
{
    Text result;
    if (!unscramble) {
        for (unsigned char byte : text)
            result += numberToText(byte + kScrambleOffset);
        return result;
    }
    for (std::size_t start = 0; start < text.size(); start += kScrambledDigits) {
        double value = std::trunc(textToNumber(text.substr(start, kScrambledDigits)) -
                                  kScrambleOffset);
        // The low eight bits of the value's two's complement, exact for any magnitude.
        double low = std::fmod(value, 256.0);
        if (low < 0)
            low += 256.0;
        result += static_cast<char>(static_cast<unsigned char>(low));
    }
    return result;
}

void loadSettings()
{
    File file(kSettingsFileName, FileMode::readExclusive);
    ByteReader reader(file);
    Text lineValue;
    for (int line = 1; line <= 8; ++line) {
        // The label lands in lineValue first and is overwritten by the value. A line the file
        // does not hold leaves its field as it is.
        if (readFields(reader, {&lineValue, &lineValue}) < 2)
            continue;
        FieldText& field = *kTextFields[line - 1];
        field = line == kPasswordLine ? scramblePassword(lineValue, true) : lineValue;
    }
    for (const FieldTarget& number : kNumberFields)
        readFields(reader, {&lineValue, number});
}

void saveSettings()
{
    ReplacingWriter writer(kSettingsFileName);
    for (int line = 1; line <= 8; ++line) {
        const FieldText& field = *kTextFields[line - 1];
        writer.write(settingsLine(
            line, line == kPasswordLine ? scramblePassword(field.str(), false) : field.str()));
    }
    for (int line = 9; line <= 16; ++line)
        writer.write(settingsLine(line, std::visit(NumberText{}, kNumberFields[line - 9])));
    writer.commit();
}
