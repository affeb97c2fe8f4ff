// The diagnostic log: one line per attachment of the library, appended to a fixed file.
#pragma once

// Appends "<seconds since 1970> : <message>\n" to the log; 1 when the file could be opened.
int WriteAlbumLog(const char* message);
// The log file ("c:\lc2000_LOG.TXT"); tests may point it elsewhere (null: the usual file).
const char* AlbumLogPath();
void SetAlbumLogPath(const char* path);
