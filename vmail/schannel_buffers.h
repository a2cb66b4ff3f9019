// The SSPI buffers the Schannel engine hands to InitializeSecurityContext during the handshake:
// what it received, and what Schannel gives back to go to the server.
#pragma once

#ifndef SECURITY_WIN32
#define SECURITY_WIN32
#endif

#include <winsock2.h>
#include <windows.h>
#include <security.h>
#include <sspi.h>

#include <algorithm>
#include <cstddef>
#include <string>

namespace vmail {

// The most bytes handed to Schannel in one call: its buffer sizes are 32-bit.
constexpr std::size_t kMaxBuffer = 0x7fffffff;

// The buffers InitializeSecurityContext fills with what goes to the server: the handshake
// token and, when it fails, an alert. Schannel allocates them; they are freed here.
class HandshakeOutput {
public:
    HandshakeOutput()
    {
        buffers_[0] = {0, SECBUFFER_TOKEN, nullptr};
        buffers_[1] = {0, SECBUFFER_ALERT, nullptr};
        description_ = {SECBUFFER_VERSION, 2, buffers_};
    }
    ~HandshakeOutput()
    {
        for (SecBuffer& buffer : buffers_)
            if (buffer.pvBuffer)
                FreeContextBuffer(buffer.pvBuffer);
    }
    HandshakeOutput(const HandshakeOutput&) = delete;
    HandshakeOutput& operator=(const HandshakeOutput&) = delete;

    SecBufferDesc* description() { return &description_; }

    bool empty() const
    {
        for (const SecBuffer& buffer : buffers_)
            if (buffer.pvBuffer && buffer.cbBuffer > 0)
                return false;
        return true;
    }

    void appendTo(std::string& output) const
    {
        for (const SecBuffer& buffer : buffers_)
            if (buffer.pvBuffer && buffer.cbBuffer > 0)
                output.append(static_cast<const char*>(buffer.pvBuffer), buffer.cbBuffer);
    }

private:
    SecBuffer buffers_[2];
    SecBufferDesc description_;
};

// How many bytes at the end of the input Schannel left unprocessed: the count in a
// SECBUFFER_EXTRA buffer (its pointer is not reliable, only its size).
inline std::size_t extraBytes(const SecBuffer* buffers, int count, std::size_t inputSize)
{
    for (int i = 0; i < count; ++i)
        if (buffers[i].BufferType == SECBUFFER_EXTRA)
            return std::min<std::size_t>(buffers[i].cbBuffer, inputSize);
    return 0;
}

// The received bytes handed to InitializeSecurityContext, and how many of them it used.
class HandshakeInput {
public:
    explicit HandshakeInput(std::string& input)
        : length_(std::min(input.size(), kMaxBuffer))
    {
        buffers_[0] = {static_cast<ULONG>(length_), SECBUFFER_TOKEN, input.data()};
        buffers_[1] = {0, SECBUFFER_EMPTY, nullptr};
        description_ = {SECBUFFER_VERSION, 2, buffers_};
    }
    HandshakeInput(const HandshakeInput&) = delete;
    HandshakeInput& operator=(const HandshakeInput&) = delete;

    SecBufferDesc* description() { return &description_; }
    std::size_t used() const { return length_ - extraBytes(buffers_, 2, length_); }

private:
    std::size_t length_;
    SecBuffer buffers_[2];
    SecBufferDesc description_;
};

}  // namespace vmail
