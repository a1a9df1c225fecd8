// The install record (engine/InstallRecord.h) in a setup information file,
// and the look at an install directory that the record and the options
// dialog need.
#pragma once

#include "engine/InstallRecord.h"

// The record of `setupFile`; not present when it has none (or cannot be read).
InstallRecord ReadInstallRecord(const char* setupFile);

// Replaces the record section of `setupFile` with `record`. False when the
// file could not be written.
bool WriteInstallRecord(const char* setupFile, const InstallRecord& record);

// Whether `dir` exists and holds any file or directory.
bool DirectoryHoldsAnything(const char* dir);

// The record of an earlier install of this product into `dir`: its setup file
// there (this run's setup file name) carries a record and the same uninstall
// "Key". Not present otherwise.
InstallRecord EarlierInstallRecord(const char* dir);

// Whether installing into `dir` needs the user's word first: it holds files
// that no earlier install of this product put there.
bool InstallDirHoldsOthersFiles(const char* dir);

// Whether this product is installed in `dir` already, so that installing
// there updates it: its uninstall entry or its remembered install directory
// ("InstallDirReg") names `dir` (in any spelling), or `dir` holds its setup
// file with an install record.
bool ProductInstalledIn(const char* dir);
