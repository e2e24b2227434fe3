// The files a conversion writes before its output is complete: the scratch
// WAV and the temporary output. Each is claimed so that no other process can
// write the same name, and no link planted at a name is ever followed.
#pragma once

#include <string>

namespace sonavert {

// The window's scratch file: `preferred` (temp.wav in the program folder)
// when no other converter holds it, else temp-1.wav, temp-2.wav, ... beside
// it. The claim is an exclusive lock on <scratch>.lock; a lock file is only
// ever removed by its holder, and a claimant checks that the file it locked
// is still the one named, so two converters never share a name. When no name
// can be claimed (a folder without locks), a private folder is used instead.
struct ScratchClaim {
    std::string path;
    int lock = -1;
    std::string privateFolder;  // set when the scratch file lives in one
};
ScratchClaim ClaimScratchFile(const std::string& preferred);
// Deletes the scratch file (and its private folder) and gives up the claim.
void ReleaseScratchFile(ScratchClaim& claim);

// A new folder that only this process uses, made by mkdtemp in `parent`
// (created when missing), or in $TMPDIR (/tmp) when that fails; "" when
// neither works.
std::string MakePrivateFolder(const std::string& parent);
// Removes the regular files in a private folder, then the folder.
void RemovePrivateFolder(const std::string& folder);

// Creates an empty file of a new short name in `folder` (a fixed prefix and
// a random part) with O_CREAT | O_EXCL | O_NOFOLLOW; "" with errno set when
// it cannot be created.
std::string CreateTemporaryFile(const std::string& folder);
inline constexpr char kTemporaryPrefix[] = ".sonavert-";

// Empties the way for a scratch file: whatever has the name is unlinked (a
// link is removed, never followed) and an empty file is created exclusively.
bool CreateScratchFile(const std::string& path);

}  // namespace sonavert
