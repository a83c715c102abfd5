#include "server/judge.h"

#include <openssl/evp.h>

#include <array>
#include <istream>
#include <optional>
#include <streambuf>

#include "level/fatal_error.h"
#include "run/check.h"
#include "run/run_file.h"
#include "run/session.h"

namespace dravik::server {

namespace {

// The file as a stream, without a copy.
class MemoryBuffer : public std::streambuf {
public:
    explicit MemoryBuffer(std::string_view text)
    {
        char* begin = const_cast<char*>(text.data());  // NOLINT: only ever read
        setg(begin, begin, begin + text.size());
    }
};

std::string Identity(const std::vector<run::Event>& events, std::uint64_t winTick)
{
    EVP_MD_CTX* context = EVP_MD_CTX_new();
    EVP_DigestInit_ex(context, EVP_sha256(), nullptr);
    for (const run::Event& event : events) {
        if (event.tick > winTick) {
            break;
        }
        std::array<unsigned char, 11> bytes{};
        for (std::size_t i = 0; i < 8; ++i) {
            bytes[i] = static_cast<unsigned char>(event.tick >> (8 * i));
        }
        bytes[8] = static_cast<unsigned char>(event.kind);
        bytes[9] = static_cast<unsigned char>(event.keyCode & 0xFF);
        bytes[10] = static_cast<unsigned char>(event.keyCode >> 8);
        EVP_DigestUpdate(context, bytes.data(), bytes.size());
    }
    std::array<unsigned char, EVP_MAX_MD_SIZE> digest{};
    unsigned int size = 0;
    EVP_DigestFinal_ex(context, digest.data(), &size);
    EVP_MD_CTX_free(context);
    static constexpr char kHex[] = "0123456789abcdef";
    std::string hex;
    for (unsigned int i = 0; i < size; ++i) {
        hex += kHex[digest[i] >> 4];
        hex += kHex[digest[i] & 0xF];
    }
    return hex;
}

Verdict Refused(std::string reason)
{
    Verdict verdict;
    verdict.reason = std::move(reason);
    return verdict;
}

// The first win of a run without a final line, played to its last event.
std::optional<run::Win> FirstWin(const run::Script& script, std::uint64_t end)
{
    run::Session session(run::Session::Log::None);
    session.Play(script.events);
    while (session.Ticks() < end) {
        if (session.Tick().won) {
            return session.LastWin();
        }
    }
    return std::nullopt;
}

}  // namespace

Verdict Judge(std::string_view file)
{
    if (file.size() > kMostBytes) {
        return Refused("too long: the file is over 1 MB");
    }
    MemoryBuffer buffer(file);
    std::istream in(&buffer);
    const run::Script script = run::ParseScript(in);
    if (script.error) {
        return Refused("line " + std::to_string(script.error->line) + ": " + script.error->message);
    }
    std::string error;
    const std::optional<std::uint64_t> end = run::RunEnd(script, error);
    if (!end) {
        return Refused(error);
    }
    if (*end > kMostTicks) {
        return Refused("too long: the run lasts " + std::to_string(*end) +
                       " ticks, and a leaderboard run at most 230400 (one hour of play)");
    }
    std::optional<run::Win> win;
    try {
        if (script.final) {
            const std::optional<run::Outcome> outcome = run::CheckRun(script, error);
            if (!outcome) {
                return Refused(error);
            }
            if (outcome->astray) {
                return Refused("the run goes astray by tick " + std::to_string(outcome->astray->tick) +
                               ": the state there is not the one hashed on line " +
                               std::to_string(outcome->astray->line));
            }
            if (!outcome->endMatches) {
                return Refused("the final state differs at tick " + std::to_string(outcome->ticks));
            }
            win = outcome->firstWin;
        } else {
            win = FirstWin(script, *end);
        }
    } catch (const FatalError& fault) {
        return Refused(std::string("the game stops with a fatal error: ") + fault.what());
    }
    if (!win) {
        return Refused("no win: the run ends at tick " + std::to_string(*end) + " without entering the goal");
    }
    Verdict verdict;
    verdict.accepted = true;
    verdict.ticks = win->stretch.ticks;
    verdict.deaths = win->stretch.deaths;
    verdict.identity = Identity(script.events, win->tick);
    return verdict;
}

}  // namespace dravik::server
