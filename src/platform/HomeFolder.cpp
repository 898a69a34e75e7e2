#include "platform/HomeFolder.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <vector>

namespace quorlix {

namespace {

std::string passwordHome()
{
    std::vector<char> buffer(16384);
    passwd entry{};
    passwd* found = nullptr;
    if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) != 0 || !found || !found->pw_dir)
        return {};
    return found->pw_dir;
}

std::string userName(uid_t uid)
{
    std::vector<char> buffer(16384);
    passwd entry{};
    passwd* found = nullptr;
    if (::getpwuid_r(uid, &entry, buffer.data(), buffer.size(), &found) == 0 && found && found->pw_name)
        return std::string(found->pw_name) + " (uid " + std::to_string(uid) + ")";
    return "uid " + std::to_string(uid);
}

} // namespace

std::string homeFolder()
{
    const char* home = std::getenv("HOME");
    if (home && home[0] == '/')
        return home;
    const std::string fromDatabase = passwordHome();
    return fromDatabase.starts_with('/') ? fromDatabase : std::string();
}

void setHomeWhenUnset()
{
    const char* home = std::getenv("HOME");
    if (home && home[0] != '\0')
        return;
    if (const std::string fromDatabase = passwordHome(); fromDatabase.starts_with('/'))
        ::setenv("HOME", fromDatabase.c_str(), 1);
}

std::string untrustedFolderReason(const std::string& folder)
{
    struct stat st {};
    if (::stat(folder.c_str(), &st) != 0)
        return {};
    if (!S_ISDIR(st.st_mode))
        return "it is not a folder";
    if (st.st_uid != ::getuid() && st.st_uid != 0)
        return "it belongs to " + userName(st.st_uid) + ", not to you";
    if (st.st_mode & S_IWOTH)
        return "anyone may write into it";
    if (st.st_mode & S_IWGRP)
        return "its group may write into it";
    return {};
}

} // namespace quorlix
