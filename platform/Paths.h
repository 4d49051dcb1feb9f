#pragma once
// Where per-user files live. All functions read the environment at each call
// and never change it; any thread.
#include <string>

// $HOME, else the password database's home of the current user, else "/".
std::string HomeFolder();

// The local application-data folder: $XDG_CONFIG_HOME when it is an absolute
// path, else ~/.config.
std::string LocalAppDataFolder();

// The user's documents folder: XDG_DOCUMENTS_DIR of user-dirs.dirs in the
// configuration folder when it names an existing folder, else ~/Documents when
// it exists, else the home folder.
std::string DocumentsFolder();

// Joins two path parts with exactly one '/' between them.
std::string JoinPath(const std::string& folder, const std::string& name);

// Whether the path's last component ends in "." + extension, in any case
// ("BANK.SYX" and "bank.Syx" both have the extension "syx").
bool PathHasExtension(const std::string& path, const std::string& extension);

bool FolderExists(const std::string& path);
bool FileExists(const std::string& path);

// Creates the folder and any missing parents (mode 0755 before the umask).
// True when the folder exists afterwards.
bool CreateFolders(const std::string& path);
