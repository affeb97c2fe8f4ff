// BatchUI: the batch tool's one dialog, which writes converted copies of a list of images.
#pragma once

#include <windows.h>

#if defined(BATCHUI_BUILD)
#define BATCHUI_API __declspec(dllexport)
#else
#define BATCHUI_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

#define BATCHUI_CANCELLED (-1) // closed without converting anything
#define BATCHUI_FAILED    (-2) // bad arguments, or the dialog could not be shown

// Opens the modal "Batch Convert" dialog, owned by owner (null for none), for the count images
// whose full paths are the slots of paths (a slot without a NUL, or empty, counts as an image that
// cannot be read; a path listed twice is converted once).
// The user chooses the changes (the longest side reduced to at most a number of pixels, gray
// levels) and where the results go:
// - copies (the default): a new Windows bitmap file per image, named after the image (name.bmp,
//   or name (2).bmp and so on when that name is taken), in a folder the user types or browses to
//   (created when missing). No existing file is ever overwritten, a source image least of all.
// - "Replace the original images": only after the user confirms a warning, each image that is a
//   Windows bitmap file and that a change applies to is rewritten in place (each file whole or not
//   at all); other images are left as they are.
// A progress bar follows the run; Esc or Stop ends it after the current image, keeping what was
// written. A summary follows every run.
// Returns the number of original images replaced (> 0 only when files the caller shows have
// changed), 0 after a run that replaced none, BATCHUI_CANCELLED when closed without a run, and
// BATCHUI_FAILED when paths is null, count is below 1 or the dialog cannot be shown.
BATCHUI_API int BatchUiOpenDialog(HWND owner, const char (*paths)[MAX_PATH], int count);

#ifdef __cplusplus
}
#endif
