// The Settings record: everything the user configures, one instance for the whole run.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "common/text.h"

// A settings text: at most 255 bytes of code page 932 text, the room a 256-byte buffer with its
// terminating zero leaves. Longer text is cut at the last whole character that fits.
class FieldText {
public:
    static constexpr std::size_t kMaxBytes = 255;

    FieldText() = default;
    FieldText(std::string_view text) { assign(text); }
    FieldText& operator=(std::string_view text) { return assign(text); }
    FieldText& assign(std::string_view text)
    {
        text_ = cappedCp932(text, kMaxBytes);
        return *this;
    }

    const Text& str() const { return text_; }
    const char* c_str() const { return text_.c_str(); }
    std::size_t size() const { return text_.size(); }
    bool empty() const { return text_.empty(); }
    operator std::string_view() const { return text_; }

    friend bool operator==(const FieldText& a, std::string_view b) { return a.text_ == b; }

private:
    Text text_;
};

struct Settings {
    FieldText smtpServer;
    FieldText fromName;
    FieldText fromAddress;   // the user's own mobile-phone address
    FieldText pop3Server;
    FieldText pop3UserId;    // also the user name for SMTP AUTH
    FieldText pop3Password;  // plain here, scrambled in the file
    FieldText toName;
    FieldText toAddress;
    double charLimit = 0;
    std::int32_t opacity = 0;          // percent
    std::int16_t translucent = 0;      // flags: 0 or 1, as stored by the Options dialog
    std::int16_t warnSound = 0;
    std::int16_t popBeforeSmtp = 0;
    std::int16_t apopBeforeSmtp = 0;
    std::int16_t smtpAuth = 0;
    double smtpPort = 0;               // used only by the SMTP AUTH path
};

extern Settings settings;
