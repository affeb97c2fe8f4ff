// The Esc abort check that long operations poll: yes when the Esc key is down or was pressed
// since the previous check. Tests install their own check to press "Esc" deterministically.
#pragma once

using AbortCheckFn = bool (*)();

// Polls the installed check (the keyboard unless a test replaced it).
bool EscAbortCheck();
// Installs fn (null: the keyboard again); returns the check that was installed.
AbortCheckFn SetAbortCheck(AbortCheckFn fn);
