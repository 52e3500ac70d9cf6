#pragma once
// The job runner's hand-off for the Qt program: a call made on a worker thread runs on the GUI thread while
// the worker waits. Once the GUI loop has ended (Close), every call is refused at once and waiting workers
// are let go, so no completion runs after the loop and no worker hangs at exit.

#include "net/ThreadCtrl.h"

#include <memory>

class TQtDispatcher final {
  public:
    // Must be created on the GUI thread (the thread whose event loop will run the calls). Never throws.
    TQtDispatcher();
    // Closes the dispatcher first, so a dispatcher function that outlives this object only refuses.
    ~TQtDispatcher();
    TQtDispatcher(const TQtDispatcher&) = delete;
    TQtDispatcher& operator=(const TQtDispatcher&) = delete;

    // The function to give TThreadCtrl. It stays safe to call after this object is gone (it then refuses).
    // From a worker: queues the call to the GUI thread and blocks until it has run; false without running it
    // when closed, or when closed while waiting. From the GUI thread itself: runs the call at once. Never
    // throws; an exception from the call is dropped on the GUI thread.
    TDispatcher Dispatcher() const;

    // Refuses every later call and releases every worker still waiting; queued calls that have not started
    // are dropped. Call on the GUI thread after its loop has ended. Never throws.
    void Close() noexcept;

    // True after Close.
    bool Closed() const noexcept;

    struct TState;

  private:
    std::shared_ptr<TState> FState;
};
