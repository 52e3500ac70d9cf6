#include "engine/SideThread.h"

TSideThread::TSideThread(std::function<void(std::stop_token)> Work) : FThread(std::move(Work)) {}

TSideThread::~TSideThread() = default; // std::jthread requests the stop and joins

void TSideThread::Join() {
    if (FThread.joinable()) {
        FThread.join();
    }
}
