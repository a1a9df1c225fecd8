// What this machine says about a path or a registry key, for the rules of
// engine/DeletionRules.h and engine/InstallRules.h: the long form of a path,
// the names under which the machine reaches its own shares, links on the way
// to a directory, the folders an install directory may not be, and whose
// programs a class key of HKEY_CLASSES_ROOT registers.
#pragma once

#include <string>
#include <vector>

#include "engine/InstallRules.h"

// The names this machine answers to in a UNC path, in upper case: its
// NetBIOS name and its DNS host names.
std::vector<std::string> LocalHostNames();

// `path` as the file system knows it: an administrative share of this
// machine read as its drive ("\\localhost\C$\x" is "C:\x"), and the short
// (8.3) names of every component that exists replaced by the long ones.
// False when `path` is not absolute or is another share of this machine.
bool LongFormOf(const char* path, std::string& out);

// True when a component of `path` above its last one is a junction, a
// symbolic link or a mount point: what lies below it is somewhere else, and
// a deletion through it would reach whatever it points to. The last
// component is the caller's to treat (a link there is removed, never entered).
bool HasLinkAbove(const char* path);

// Program Files and Common Files as the registry names them, in the view of
// this process and in the other one: each value that is there, as written.
std::vector<std::string> ProgramFilesFolders();

// The folders of this machine an install directory may not be.
InstallDirFolders CollectInstallDirFolders();

// True when HKEY_CLASSES_ROOT\`classKey` (see RegistryItem::classKey) may go
// with the product installed in `installDir`: every command, icon and server
// path registered in it, and for an extension in the class it names, lies in
// `installDir` (ClassKeyIsProducts). A key that is not there is no one's.
bool ClassKeyIsProductsOnMachine(const std::string& classKey, const char* installDir);
