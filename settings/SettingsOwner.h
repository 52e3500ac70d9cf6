#pragma once
// One running copy per settings file. Every copy rewrites the whole file when it ends, so a second copy of
// the same file (the launcher clicked again while the first sits in the tray) would undo at its end what the
// first had saved. The first copy to claim a file owns it until it ends; a later one asks the owner to bring
// its window up and leaves. The claim is a Linux abstract socket named after the user and the file's
// canonical path: it goes with the process, so a crash leaves nothing to clean up.

#include <filesystem>
#include <string>

class TSettingsOwner {
  public:
    enum class TClaim {
        Owned,             // this copy owns the file
        HeldByRunningCopy, // another copy of this user's owns it: ask it, then leave
        Unguarded,         // the claim could not be made (see Problem): the copy runs as if alone
    };

    // Claims File. Never throws but for memory.
    explicit TSettingsOwner(const std::filesystem::path& File);
    ~TSettingsOwner();
    TSettingsOwner(const TSettingsOwner&) = delete;
    TSettingsOwner& operator=(const TSettingsOwner&) = delete;

    TClaim Claim() const { return FClaim; }
    // Why the claim is Unguarded, or why the owner could not be asked.
    const std::string& Problem() const { return FProblem; }

    enum class TAnswer {
        Shown,   // the owner brings its window up
        Closing, // the owner is ending (or just ended): its claim goes once it has written the file
        None,    // no answer within a few seconds (Problem says so)
    };
    // HeldByRunningCopy: asks the owner to bring its window up.
    TAnswer AskOwnerToShow();

    // Owned: a descriptor that becomes readable when another copy asks; -1 otherwise.
    int RequestDescriptor() const { return FClaim == TClaim::Owned ? FSocket : -1; }
    // Owned: answers every request waiting and returns how many asked for the window (none once Closing was
    // called: they are told so instead). Never blocks for long: a copy that connects and says nothing is
    // dropped.
    int TakeRequests();
    // Owned: the copy is ending and shows no window any more.
    void Closing() { FClosing = true; }

  private:
    TClaim FClaim = TClaim::Unguarded;
    int FSocket = -1; // the listening socket (Owned) or the connection to the owner (HeldByRunningCopy)
    bool FUnreachable = false; // HeldByRunningCopy, but the owner takes no connection
    bool FClosing = false;
    std::string FProblem;
};

// The abstract socket name of File's claim for user Uid (without the leading zero byte): the same for every
// spelling of the path that leads to the same file.
std::string SettingsOwnerName(const std::filesystem::path& File, unsigned Uid);
