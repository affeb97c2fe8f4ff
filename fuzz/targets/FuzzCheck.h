// What every fuzz target demands of a result: a well-formed packed bitmap (or none). A breach
// stops the run like a sanitizer finding.
#pragma once

#include <stdio.h>
#include <stdlib.h>
#include "win/Dib.h"

inline void ExpectWellFormed(HGLOBAL image, const char* what)
{
    if (image && !dib::IsValidBlock(image)) {
        fprintf(stderr, "%s returned a block that is not a well-formed bitmap\n", what);
        abort();
    }
    GlobalFree(image);
}
