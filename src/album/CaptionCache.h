// Names kept for card captions, beside the thumbnails rather than in them: the thumbnail's
// fields are what hosts compile against and stay as they are. An entry lives until its
// thumbnail is destroyed or the next operation that looks at the file system afresh (a source
// renamed or deleted meanwhile must not keep its old name); it is valid only while the
// thumbnail's stored name hashes to `forName`.
#pragma once

#include <string>

class CThumbnail2;

namespace album {

struct KeptCaption {
    unsigned forName = 0; // hash of the stored name the entry was made for; never 0 when kept
    char name[14] = {};   // the last part of the source's short path; empty: the stored name's own
};

// The entry kept for t, if any (whatever name it was made for).
bool FindKeptCaption(const CThumbnail2* t, KeptCaption& out);
// Keeps (or replaces) t's entry; without memory nothing is kept.
void KeepCaption(const CThumbnail2* t, const KeptCaption& kept);
// The real name of t's source (the last part of its stored name) when that part is a short name
// standing for a name the ANSI code page cannot carry; empty otherwise. Only names with a "~" are
// looked up, once: the answer is kept with the caption entries, for the same stored name.
std::wstring RealFileNameOf(const CThumbnail2& t);
// Keeps resolvedPath, where the album found t's source, for a stored name relative to the album's
// folders: its real name is then worked out from there (when first asked, not here: albums load
// without a lookup per thumbnail). Kept until t goes.
void KeepRealFileName(const CThumbnail2& t, const char* resolvedPath);

// Drops t's entry; called as a thumbnail goes.
void ForgetCaption(const CThumbnail2* t);
// Drops every entry: the file system is being looked at afresh.
void ForgetKeptCaptions();

} // namespace album
