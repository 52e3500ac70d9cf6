#pragma once
// Runs a step of the window's own work so that no error leaves it: completions run inside the job runner's
// sweep, which must never see one, and the live-rates steps must not cost the window more than their own job.

#include <QtGlobal>

#include <exception>

// Runs Step; an error it raises is reported on stderr as "Kovrin: What: message" and goes no further.
template <typename TStep> void Guarded(const char* What, TStep&& Step) noexcept {
    try {
        Step();
    } catch (const std::exception& error) {
        qWarning("Kovrin: %s: %s", What, error.what());
    } catch (...) {
        qWarning("Kovrin: %s: unknown error", What);
    }
}
