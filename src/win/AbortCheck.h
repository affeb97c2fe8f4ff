// The Esc abort check that long operations poll: yes when the Esc key is down or was pressed
// since the previous check. Tests install their own check to press "Esc" deterministically.
#pragma once

#include <atomic>

using AbortCheckFn = bool (*)();

// Polls the installed check (the keyboard unless a test replaced it).
bool EscAbortCheck();
// Installs fn (null: the keyboard again); returns the check that was installed.
AbortCheckFn SetAbortCheck(AbortCheckFn fn);

// Work spread over threads: the user's Esc belongs to the thread that started the work, which
// stops the work by setting its stop flag. While this lives, the check on the thread that made
// it answers whether the work is stopped, so that a worker's long steps (decoding, resampling)
// end soon after. With keyToo (the work running on the starting thread itself) the installed
// check is asked as well, and a yes from it stops the work.
class AbortCheckFollowsWork {
public:
    AbortCheckFollowsWork(std::atomic<bool>& stop, bool keyToo);
    ~AbortCheckFollowsWork();
    AbortCheckFollowsWork(const AbortCheckFollowsWork&) = delete;
    AbortCheckFollowsWork& operator=(const AbortCheckFollowsWork&) = delete;

private:
    std::atomic<bool>* previousStop_;
    bool previousKeyToo_;
};
