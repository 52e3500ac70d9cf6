#include "net/BodyRoom.h"

#include <mutex>
#include <utility>

namespace {

std::mutex KeptLock;
std::string Kept; // empty, with the room kept (or none)

// A new room is this share of its body larger.
constexpr std::size_t kBodyRoomSpareShare = 8;

} // namespace

std::string TakeBodyRoom(std::size_t Bytes) {
    std::string room;
    {
        const std::lock_guard<std::mutex> lock(KeptLock);
        if (Kept.capacity() >= Bytes) {
            room.swap(Kept);
        }
    }
    if (room.capacity() < Bytes) {
        // Room to spare for the next body, which is rarely of the same size: pages past the bytes are never
        // touched, so the spare costs address space only.
        room.reserve(Bytes + Bytes / kBodyRoomSpareShare);
    }
    return room;
}

void GiveBackBodyRoom(std::string&& Body) noexcept {
    const std::size_t room = Body.capacity();
    if (room < kKeptBodyRoomMin || room > kKeptBodyRoomMax) {
        return;
    }
    Body.clear();
    std::string dropped; // freed outside the lock
    const std::lock_guard<std::mutex> lock(KeptLock);
    if (room > Kept.capacity()) {
        dropped.swap(Kept);
        Kept.swap(Body);
    }
}

std::shared_ptr<const std::string> ShareBody(std::string&& Body) {
    auto owned = std::make_unique<std::string>(std::move(Body));
    return {owned.release(), [](const std::string* Shared) {
                std::unique_ptr<std::string> last(const_cast<std::string*>(Shared));
                GiveBackBodyRoom(std::move(*last));
            }};
}
