// The mail rig's accounts and addresses for tests against the real servers, read from the
// file that the rig writes and the test run names in VELMOR_RIG_ENV.
#pragma once

#include <chrono>
#include <map>
#include <string>
#include <vector>

struct RigEnv {
    std::map<std::string, std::string> values;
    bool loaded = false;

    std::string operator[](const std::string& key) const
    {
        auto found = values.find(key);
        return found == values.end() ? std::string() : found->second;
    }
    int port(const std::string& key) const { return std::stoi((*this)[key]); }
};

RigEnv loadRigEnv();

// A path of the rig (a Linux path) as this program opens it: on Windows through Wine's Z:.
std::string rigPath(const std::string& path);

// The whole content of a file of the rig (a log, a delivered mail); empty when it cannot be read.
std::string rigFileText(const std::string& path);

// The names of the files in a Maildir's new/ folder.
std::vector<std::string> maildirMessages(const std::string& maildir);

// The content of the first message in maildir/new that holds marker, waiting for delivery
// at most timeout; empty when none arrived.
std::string waitForMessage(const std::string& maildir, const std::string& marker,
                           std::chrono::seconds timeout = std::chrono::seconds(20));

// A marker no other test run uses, to find one's own mail among those delivered.
std::string uniqueMarker(const char* prefix);
