// The Esc abort check that long operations poll: yes when the Esc key is down or was pressed
// since the previous check. Tests install their own check to press "Esc" deterministically.
#pragma once

using AbortCheckFn = bool (*)();

// Polls the installed check (the keyboard unless a test replaced it).
bool EscAbortCheck();
// Installs fn (null: the keyboard again); returns the check that was installed.
AbortCheckFn SetAbortCheck(AbortCheckFn fn);

// On worker threads the user's Esc belongs to the thread that started the work, which stops the
// workers itself: while this lives, the check answers no on the thread that made it (and leaves
// the key's "pressed since" state to the other thread).
class AbortCheckOffOnThisThread {
public:
    AbortCheckOffOnThisThread();
    ~AbortCheckOffOnThisThread();
    AbortCheckOffOnThisThread(const AbortCheckOffOnThisThread&) = delete;
    AbortCheckOffOnThisThread& operator=(const AbortCheckOffOnThisThread&) = delete;

private:
    bool previous_;
};
