// The temporary files that replacing streams write before renaming them into place. Each
// is created exclusively under a name with a random part, so that no other run's file is
// ever taken over and no number of leftovers can block a run. While one exists its name is
// held in a registry that a handler for SIGINT, SIGTERM and SIGHUP reads. The handler is in
// place only while some temporary file exists, and the one it replaced comes back after the
// last: where that one would have ended the process, the handler removes the files and ends
// the process with the signal's usual status, so an interrupted run leaves nothing behind;
// otherwise it hands the signal on to it (an interpreter, a program that stops on Ctrl-C).
// SIGXFSZ is ignored, so that a write beyond the file size limit fails like any other write
// instead of killing the process with its temporary file.
#pragma once

#include <cstddef>
#include <string>

namespace FileTools {

// A name in the folder of `target` for its temporary file: the target's own name, cut where
// needed so that the whole name keeps within kMaxFileNameLength, then ".tmp" and `random`
// in hexadecimal.
std::string TemporaryNameFor(const std::string& target, unsigned long long random);

inline constexpr std::size_t kMaxFileNameLength = 255;

// A new temporary file beside `target`, opened for writing with the permissions `mode`
// (before the umask) and registered for removal on a signal; -1 with errno set when none
// could be created. `path` receives its name.
int CreateTemporaryFile(const std::string& target, unsigned mode, std::string& path);

// Takes a temporary file out of the registry: it was renamed into place or removed.
void ForgetTemporaryFile(const std::string& path);

}  // namespace FileTools
