// Stands in for the Esc key while it lives: "Esc" at poll `at` counted from the last Press (0:
// never, -1: at every poll); `polls` counts the polls.
#pragma once

#include "win/AbortCheck.h"

namespace testsupport {

struct ScriptedEsc {
    static inline int polls = 0, at = 0;
    AbortCheckFn old;
    explicit ScriptedEsc(int escAt = 0) : old(SetAbortCheck(Check)) { Press(escAt); }
    ~ScriptedEsc() { SetAbortCheck(old); }
    ScriptedEsc(const ScriptedEsc&) = delete;
    ScriptedEsc& operator=(const ScriptedEsc&) = delete;
    static void Press(int escAt) { polls = 0, at = escAt; }
    static bool Check() { return ++polls == at || at < 0; }
};

} // namespace testsupport
