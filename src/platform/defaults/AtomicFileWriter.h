// Replaces a file's contents so that readers (and a later start after a
// crash or power loss) see either the old bytes or the new ones, never a mix.
// Blocking file I/O on the calling thread; safe from any thread.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <sys/types.h>

namespace lumra {

// The name prefix of the temporary files writeFileAtomically leaves behind
// when the process dies mid-write; safe to delete once no writer runs.
std::string atomicWriteTemporaryPrefix(const std::filesystem::path& file);

// Writes bytes to a new file beside `file` with `mode`, flushes it to disk,
// renames it over `file` and flushes the directory. Answers the failure's
// text, or nullopt on success; on failure `file` is untouched.
std::optional<std::string> writeFileAtomically(const std::filesystem::path& file,
                                               std::string_view bytes, mode_t mode);

// Where a write to `file` lands: a symbolic link (a dotfile manager's, or
// one the user made) is followed to the file it names, so the write
// replaces that file and the link stays. At most 40 links are followed.
std::filesystem::path followedSymlinks(const std::filesystem::path& file);

// Saves a document at a place the user chose, as an editor does: through
// symbolic links; an existing file keeps its permission bits, a new one gets
// newFileMode less the umask; the new bytes replace the old atomically by a
// renamed temporary file, or are written into the file itself when it has
// other hard links (which a rename would split) or when its directory
// refuses a temporary file. Answers the failure's text, or nullopt.
std::optional<std::string> saveDocument(const std::filesystem::path& file, std::string_view bytes,
                                        mode_t newFileMode);

// Creates `directory` and its missing parents with `mode`. Answers the
// failure's text, or nullopt when the directory exists afterwards.
std::optional<std::string> createDirectories(const std::filesystem::path& directory, mode_t mode);

} // namespace lumra
