#pragma once
#include "CommandLine.h"

/// Refuses, before anything is read or cooked, outputs that would lose
/// something: throws GeoFileError naming the file when OUTPUT or the
/// picture is the same file as INPUT or as each other, or when an
/// existing output may not be replaced (StagedFiles::checkReplaceable).
/// Files are the same when they have one device and inode, which catches
/// hard and symbolic links and other spellings of a path ("./x"); files
/// that are not there yet are the same when they would be made under one
/// name in one folder.
void refuseLosingOutputs(const CommandLine &cl);
