#include "settings/SettingsOwner.h"

#include "settings/SettingsLocation.h"
#include "text/Eintr.h"
#include "text/Fnv1a.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <optional>
#include <poll.h>
#include <string_view>
#include <sys/socket.h>
#include <sys/un.h>
#include <system_error>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kShowRequest = "show\n";
constexpr std::string_view kShowAnswer = "shown\n";
constexpr std::string_view kClosingAnswer = "closing\n";
// The owner answers from its event loop, which a modal box or a refresh may hold up for a moment.
constexpr int kAnswerWaitMs = 5000;
// A copy that connects says its request at once; the owner's loop waits no longer than this for it.
constexpr int kRequestWaitMs = 200;
constexpr int kConnectRetryMs = 100;

sockaddr_un AddressOf(const std::string& Name, socklen_t& Length) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    // Abstract: the first byte of the path is zero and the name is the bytes after it, not a C string.
    std::memcpy(address.sun_path + 1, Name.data(), std::min(Name.size(), sizeof(address.sun_path) - 1));
    Length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 +
                                    std::min(Name.size(), sizeof(address.sun_path) - 1));
    return address;
}

// The user on the other end of a connected socket; -1 when unknown.
long PeerUid(int Socket) {
    ucred credentials{};
    socklen_t size = sizeof(credentials);
    if (getsockopt(Socket, SOL_SOCKET, SO_PEERCRED, &credentials, &size) != 0) {
        return -1;
    }
    return static_cast<long>(credentials.uid);
}

// Reads one short line (its "\n" included); "" when the peer closes first; nullopt when it runs long or
// WaitMs pass first.
std::optional<std::string> ReadLine(int Socket, int WaitMs) {
    std::string got;
    while (got.empty() || got.back() != '\n') {
        pollfd ready{Socket, POLLIN, 0};
        if (HandleEINTR([&] { return poll(&ready, 1, WaitMs); }) <= 0) {
            return std::nullopt;
        }
        char buffer[16];
        const ssize_t count = HandleEINTR([&] { return recv(Socket, buffer, sizeof(buffer), 0); });
        if (count == 0) {
            return std::string();
        }
        if (count < 0 || got.size() + static_cast<std::size_t>(count) > 64) {
            return std::nullopt;
        }
        got.append(buffer, static_cast<std::size_t>(count));
    }
    return got;
}

bool SendAll(int Socket, std::string_view Bytes) {
    return HandleEINTR([&] { return send(Socket, Bytes.data(), Bytes.size(), MSG_NOSIGNAL); }) ==
           static_cast<ssize_t>(Bytes.size());
}

std::string ErrnoText(const char* What) {
    return std::string(What) + ": " + std::strerror(errno);
}

} // namespace

std::string SettingsOwnerName(const fs::path& File, unsigned Uid) {
    // The file a save writes, so that links to one file, even one not made yet, share a claim.
    std::error_code error;
    const fs::path canonical = fs::absolute(LinkedFile(File), error).lexically_normal();
    char hex[17];
    std::snprintf(hex, sizeof(hex), "%016llx", static_cast<unsigned long long>(Fnv1a64(canonical.string())));
    return "kovrin/settings/" + std::to_string(Uid) + "/" + hex;
}

TSettingsOwner::TSettingsOwner(const fs::path& File) {
    socklen_t length = 0;
    const sockaddr_un address = AddressOf(SettingsOwnerName(File, getuid()), length);
    FSocket = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (FSocket < 0) {
        FProblem = ErrnoText("socket");
        return;
    }
    if (bind(FSocket, reinterpret_cast<const sockaddr*>(&address), length) == 0) {
        if (listen(FSocket, 8) == 0) {
            FClaim = TClaim::Owned;
        } else {
            FProblem = ErrnoText("listen");
        }
        return;
    }
    if (errno != EADDRINUSE) {
        FProblem = ErrnoText("bind");
        return;
    }
    // Taken: by a copy of ours, or by someone else squatting on the name, who is then ignored.
    close(FSocket);
    FSocket = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (FSocket < 0) {
        FProblem = ErrnoText("socket");
        return;
    }
    // A frozen owner accepts nobody, and once its queue is full a connection would wait for good: the copy
    // gives up after the time it would wait for an answer.
    int waited = 0;
    while (HandleEINTR(
               [&] { return connect(FSocket, reinterpret_cast<const sockaddr*>(&address), length); }) != 0) {
        if (errno != EAGAIN) {
            FProblem = ErrnoText("the running copy cannot be reached");
            return;
        }
        if (waited >= kAnswerWaitMs) {
            FClaim = TClaim::HeldByRunningCopy;
            FUnreachable = true;
            FProblem = "the running copy does not answer";
            return;
        }
        poll(nullptr, 0, kConnectRetryMs);
        waited += kConnectRetryMs;
    }
    if (PeerUid(FSocket) != static_cast<long>(getuid())) {
        FProblem = "another user holds this file's claim";
        return;
    }
    FClaim = TClaim::HeldByRunningCopy;
}

TSettingsOwner::~TSettingsOwner() {
    if (FSocket >= 0) {
        close(FSocket);
    }
}

TSettingsOwner::TAnswer TSettingsOwner::AskOwnerToShow() {
    if (FClaim != TClaim::HeldByRunningCopy || FUnreachable) {
        return TAnswer::None;
    }
    if (!SendAll(FSocket, kShowRequest)) {
        FProblem = ErrnoText("the running copy cannot be asked");
        return TAnswer::None;
    }
    const std::optional<std::string> answer = ReadLine(FSocket, kAnswerWaitMs);
    if (answer == kShowAnswer) {
        return TAnswer::Shown;
    }
    // An owner that goes without a word was ending as the request came.
    if (answer == kClosingAnswer || answer == "") {
        return TAnswer::Closing;
    }
    FProblem = "the running copy does not answer";
    return TAnswer::None;
}

int TSettingsOwner::TakeRequests() {
    if (FClaim != TClaim::Owned) {
        return 0;
    }
    int shown = 0;
    for (;;) {
        const int peer = HandleEINTR([&] { return accept4(FSocket, nullptr, nullptr, SOCK_CLOEXEC); });
        if (peer < 0) {
            return shown; // nothing more waiting (EAGAIN), or a connection that went away
        }
        if (PeerUid(peer) == static_cast<long>(getuid()) && ReadLine(peer, kRequestWaitMs) == kShowRequest &&
            SendAll(peer, FClosing ? kClosingAnswer : kShowAnswer) && !FClosing) {
            ++shown;
        }
        close(peer);
    }
}
