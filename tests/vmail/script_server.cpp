// The scripted server.
#include "tests/vmail/script_server.h"

std::optional<std::string> ScriptConnection::readLine(int timeoutMs)
{
    for (int rounds = 0; rounds < 100000; ++rounds) {
        std::size_t end = buffer_.find("\r\n");
        if (end != std::string::npos) {
            std::string line = buffer_.substr(0, end);
            buffer_.erase(0, end + 2);
            std::lock_guard<std::mutex> guard(lock_);
            transcript_.push_back(line);
            return line;
        }
        char chunk[4096];
        long got = testnet::receiveFrom(peer_, chunk, sizeof chunk, timeoutMs);
        if (got <= 0)
            return std::nullopt;
        buffer_.append(chunk, static_cast<std::size_t>(got));
    }
    return std::nullopt;
}

std::size_t ScriptConnection::readUntil(const std::string& end, int timeoutMs)
{
    std::size_t count = 0;
    for (std::optional<std::string> line = readLine(timeoutMs); line; line = readLine(timeoutMs)) {
        ++count;
        if (*line == end)
            break;
    }
    return count;
}

void ScriptConnection::reply(const std::string& answer)
{
    if (readLine())
        send(answer);
}

std::size_t ScriptConnection::receiveBytes(int timeoutMs)
{
    char chunk[4096];
    long got = testnet::receiveFrom(peer_, chunk, sizeof chunk, timeoutMs);
    return got > 0 ? static_cast<std::size_t>(got) : 0;
}

std::size_t ScriptConnection::bytesUntilHangUp(int timeoutMs)
{
    char chunk[256];
    std::size_t total = buffer_.size();
    long got = 0;
    for (int i = 0; i < 1000 && (got = testnet::receiveFrom(peer_, chunk, sizeof chunk, timeoutMs)) > 0; ++i)
        total += static_cast<std::size_t>(got);
    return total;
}

ScriptServer::ScriptServer(Script script, int connections, int acceptTimeoutMs)
    : script_(std::move(script)), connections_(connections), acceptTimeoutMs_(acceptTimeoutMs)
{
    thread_ = std::thread([this] {
        for (int i = 0; i < connections_; ++i) {
            testnet::Peer peer = listener_.accept(acceptTimeoutMs_);
            if (peer == testnet::kNoPeer)
                return;
            {
                std::lock_guard<std::mutex> guard(lock_);
                ++served_;
            }
            ScriptConnection connection(peer, transcript_, lock_);
            script_(connection);
            testnet::closePeer(peer);
        }
    });
}

ScriptServer::~ScriptServer() { finish(); }

std::vector<std::string> ScriptServer::transcript()
{
    std::lock_guard<std::mutex> guard(lock_);
    return transcript_;
}

int ScriptServer::finish()
{
    if (thread_.joinable())
        thread_.join();
    std::lock_guard<std::mutex> guard(lock_);
    return served_;
}
