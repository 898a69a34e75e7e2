#pragma once
// The user's home folder, also where HOME is unset (env -i, system services).

#include <string>

namespace quorlix {

// $HOME when it is set and absolute, else the home folder of the password
// database's entry for the real user; "" when neither is known.
std::string homeFolder();

// Sets HOME from the password database when it is unset or empty, so that
// every library that reads it (the settings store among them) finds the
// user's own folders rather than the root of the file system.
void setHomeWhenUnset();

// Why a folder must not be searched for files or written into, or "" when it
// may: it belongs to someone other than the user and root, or others may
// write into it (group or world write permission), so anyone could have put
// a file there. A missing folder is "" (there is nothing to find).
std::string untrustedFolderReason(const std::string& folder);

} // namespace quorlix
