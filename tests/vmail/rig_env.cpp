// Reading the rig's environment file and its Maildirs.
#include "tests/vmail/rig_env.h"

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <thread>

namespace fs = std::filesystem;

RigEnv loadRigEnv()
{
    RigEnv env;
    const char* path = std::getenv("VELMOR_RIG_ENV");
    if (!path)
        return env;
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        std::size_t equals = line.find('=');
        if (equals == std::string::npos || line[0] == '#')
            continue;
        env.values[line.substr(0, equals)] = line.substr(equals + 1);
    }
    env.loaded = !env.values.empty();
    return env;
}

std::string rigPath(const std::string& path)
{
#ifdef _WIN32
    return "Z:" + path;
#else
    return path;
#endif
}

std::vector<std::string> maildirMessages(const std::string& maildir)
{
    std::vector<std::string> names;
    std::error_code error;
    for (const fs::directory_entry& entry : fs::directory_iterator(rigPath(maildir) + "/new", error))
        names.push_back(entry.path().string());
    return names;
}

std::string waitForMessage(const std::string& maildir, const std::string& marker,
                           std::chrono::seconds timeout)
{
    auto deadline = std::chrono::steady_clock::now() + timeout;
    while (std::chrono::steady_clock::now() < deadline) {
        for (const std::string& name : maildirMessages(maildir)) {
            std::ifstream in(name, std::ios::binary);
            std::ostringstream content;
            content << in.rdbuf();
            if (content.str().find(marker) != std::string::npos)
                return content.str();
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return std::string();
}

std::string uniqueMarker(const char* prefix)
{
    std::random_device device;
    std::mt19937_64 generator(device() ^ static_cast<unsigned long long>(
                                             std::chrono::steady_clock::now().time_since_epoch().count()));
    std::ostringstream marker;
    marker << prefix << "-" << std::hex << generator();
    return marker.str();
}
