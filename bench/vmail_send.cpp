// Benchmark: 200 small Japanese mails with SMTP AUTH, one connection each, sent by this library
// and by libcurl in turns, through a proxy that counts the round trips of each: first to the
// rig's submission port without TLS, then to the one that offers STARTTLS, which both clients
// then use. Prints the median time per mail, the ratio and the round trips of each round.
//   vmail_send RIG_ENV [COUNT]
#include <curl/curl.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "bench/round_trip_proxy.h"
#include "tests/vmail/rig_env.h"
#include "vmail/message.h"
#include "vmail/vmail.h"

namespace {

using Clock = std::chrono::steady_clock;

// "今夜の集合" and "7時に駅前で。ｶﾅもOK" in code page 932.
const char kSubject[] = "\x8d\xa1\x96\xe9\x82\xcc\x8f\x57\x8d\x87";
const char kBody[] = "7\x8e\x9e\x82\xc9\x89\x77\x91\x4f\x82\xc5\x81\x42\xb6\xc5\x82\xe0OK";

struct Upload {
    std::string data;
    std::size_t offset = 0;
};

std::size_t readUpload(char* buffer, std::size_t size, std::size_t count, void* user)
{
    auto* upload = static_cast<Upload*>(user);
    std::size_t length = std::min(size * count, upload->data.size() - upload->offset);
    std::memcpy(buffer, upload->data.data() + upload->offset, length);
    upload->offset += length;
    return length;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

bool sendWithVmail(const RigEnv& env, int port)
{
    int32_t handle = VMailSmtpConnectPortNo("127.0.0.1", port);
    if (handle < 0)
        return false;
    bool sent = VMailSmtpAuthenticate(handle, "127.0.0.1", env["RIG_USER"].c_str(),
                                      env["RIG_PASSWORD"].c_str(), 7) == 1 &&
                VMailSmtpSendMailEx(handle, env["RIG_RECIPIENT"].c_str(), nullptr, nullptr,
                                    env["RIG_ADDRESS"].c_str(), kSubject, kBody,
                                    "X-Mailer: VelmorMail", 0, 0, 0) == 0;
    VMailSmtpClose(handle);
    return sent;
}

bool sendWithCurl(const RigEnv& env, int port, bool startTls)
{
    vmail::MessageInput input;
    input.from = env["RIG_ADDRESS"];
    input.to = {env["RIG_RECIPIENT"]};
    input.subject = kSubject;
    input.body = kBody;
    input.extraHeader = "X-Mailer: VelmorMail";
    input.date = vmail::currentMailDate();
    input.messageId = vmail::makeMessageId(input.from, input.date);
    Upload upload;
    upload.data = vmail::composeMessage(input).value_or(std::string());

    CURL* curl = curl_easy_init();
    std::string url = "smtp://127.0.0.1:" + std::to_string(port);
    std::string from = "<" + env["RIG_ADDRESS"] + ">";
    std::string to = "<" + env["RIG_RECIPIENT"] + ">";
    curl_slist* recipients = curl_slist_append(nullptr, to.c_str());
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_USERNAME, env["RIG_USER"].c_str());
    curl_easy_setopt(curl, CURLOPT_PASSWORD, env["RIG_PASSWORD"].c_str());
    curl_easy_setopt(curl, CURLOPT_LOGIN_OPTIONS, "AUTH=CRAM-MD5");
    curl_easy_setopt(curl, CURLOPT_MAIL_FROM, from.c_str());
    curl_easy_setopt(curl, CURLOPT_MAIL_RCPT, recipients);
    curl_easy_setopt(curl, CURLOPT_READFUNCTION, readUpload);
    curl_easy_setopt(curl, CURLOPT_READDATA, &upload);
    curl_easy_setopt(curl, CURLOPT_UPLOAD, 1L);
    curl_easy_setopt(curl, CURLOPT_TIMEOUT, 60L);
    if (startTls) {
        curl_easy_setopt(curl, CURLOPT_USE_SSL, static_cast<long>(CURLUSESSL_ALL));
        curl_easy_setopt(curl, CURLOPT_CAINFO, env["RIG_CA_FILE"].c_str());
    }
    bool sent = curl_easy_perform(curl) == CURLE_OK;
    curl_slist_free_all(recipients);
    curl_easy_cleanup(curl);
    return sent;
}

struct Round {
    const char* name;
    const char* portKey;
    bool startTls;
};

// One round of count mails per client; false when a send failed.
bool runRound(const RigEnv& env, const Round& round, int count)
{
    RoundTripProxy proxy(env["RIG_HOST"], env.port(round.portKey));
    std::vector<double> ours, theirs;
    long ourTrips = 0, theirTrips = 0;
    int failures = 0;
    // In turns, so that both meet the server in the same state.
    for (int i = 0; i < count; ++i) {
        proxy.resetCount();
        Clock::time_point start = Clock::now();
        failures += sendWithVmail(env, proxy.port()) ? 0 : 1;
        ours.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
        // The proxy has counted once the connection is closed on both sides.
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        ourTrips += proxy.roundTrips();

        proxy.resetCount();
        start = Clock::now();
        failures += sendWithCurl(env, proxy.port(), round.startTls) ? 0 : 1;
        theirs.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        theirTrips += proxy.roundTrips();
    }
    double ourMedian = median(ours), theirMedian = median(theirs);
    std::printf("%s: %d mails per client (one connection each, SMTP AUTH CRAM-MD5)\n", round.name, count);
    std::printf("  VMAIL   median per mail:  %.2f ms, round trips per mail: %.1f\n", ourMedian,
                static_cast<double>(ourTrips) / count);
    std::printf("  libcurl median per mail:  %.2f ms, round trips per mail: %.1f\n", theirMedian,
                static_cast<double>(theirTrips) / count);
    std::printf("  ratio VMAIL / libcurl:    %.3f\n", theirMedian > 0 ? ourMedian / theirMedian : 0);
    std::printf("  failed sends:             %d\n", failures);
    return failures == 0;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: vmail_send RIG_ENV [COUNT]\n");
        return 2;
    }
    setenv("VELMOR_RIG_ENV", argv[1], 1);
    RigEnv env = loadRigEnv();  // also makes the rig's certificate authority trusted
    int count = argc > 2 ? std::atoi(argv[2]) : 200;
    if (!env.loaded || count <= 0) {
        std::fprintf(stderr, "vmail_send: cannot read %s\n", argv[1]);
        return 2;
    }
    curl_global_init(CURL_GLOBAL_DEFAULT);
    VMailInitializeWinSock();
    const Round rounds[] = {
        {"without TLS", "RIG_PLAIN_SUBMISSION_PORT", false},
        {"STARTTLS", "RIG_SUBMISSION_PORT", true},
    };
    bool allSent = true;
    for (const Round& round : rounds)
        allSent = runRound(env, round, count) && allSent;
    VMailEndWinSock();
    curl_global_cleanup();
    return allSent ? 0 : 1;
}
