// Reading the rig's environment file and its Maildirs.
#include "tests/vmail/rig_env.h"

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <thread>

#ifdef _WIN32
#include <windows.h>
#include <wincrypt.h>
#endif

namespace fs = std::filesystem;

namespace {

// The whole content of a file as this program names it.
std::string wholeFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

// Makes the rig's test certificate authority trusted by this process's TLS: OpenSSL reads the
// roots from the file SSL_CERT_FILE names; on Windows the authority goes into the machine's
// root store (of the Wine prefix), where velmor.exe started by a test finds it too.
void trustRigAuthority(const std::string& caFile)
{
#ifdef _WIN32
    const std::string text = rigFileText(caFile);
    DWORD size = 0;
    if (text.empty() || !CryptStringToBinaryA(text.c_str(), static_cast<DWORD>(text.size()),
                                              CRYPT_STRING_BASE64HEADER, nullptr, &size, nullptr, nullptr))
        return;
    std::string der(size, '\0');
    if (!CryptStringToBinaryA(text.c_str(), static_cast<DWORD>(text.size()), CRYPT_STRING_BASE64HEADER,
                              reinterpret_cast<BYTE*>(&der[0]), &size, nullptr, nullptr))
        return;
    HCERTSTORE root = CertOpenStore(CERT_STORE_PROV_SYSTEM_A, 0, 0,
                                    CERT_SYSTEM_STORE_LOCAL_MACHINE, "Root");
    if (!root)
        return;
    CertAddEncodedCertificateToStore(root, X509_ASN_ENCODING,
                                     reinterpret_cast<const BYTE*>(der.data()), size,
                                     CERT_STORE_ADD_REPLACE_EXISTING, nullptr);
    CertCloseStore(root, 0);
#else
    setenv("SSL_CERT_FILE", caFile.c_str(), 1);
#endif
}

}  // namespace

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
    if (env.loaded && !env["RIG_CA_FILE"].empty())
        trustRigAuthority(env["RIG_CA_FILE"]);
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

std::string rigFileText(const std::string& path) { return wholeFile(rigPath(path)); }

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
            std::string content = wholeFile(name);
            if (content.find(marker) != std::string::npos)
                return content;
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
