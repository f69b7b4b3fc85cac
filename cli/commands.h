#pragma once
// The commands of the command-line tool, each over the same core functions the window uses.

#include "cli/arguments.h"
#include "cli/cli_main.h"

namespace vorlix::cli {

// Each returns the exit status; failures of the core propagate as vorlix::Failure.
int ListCommand(const Arguments& a, Streams s);
int BackupCommand(const Arguments& a, Streams s);
int RestoreCommand(const Arguments& a, Streams s);
int ReplaceCommand(const Arguments& a, Streams s);
int RipCommand(const Arguments& a, Streams s);
int VerifyCommand(const Arguments& a, Streams s);  // cli/verify_command.cpp
int ScanCommand(const Arguments& a, Streams s);  // in scan_command.cpp

// cli/silence_command.cpp
int SilenceAudioCommand(const Arguments& a, Streams s);

}  // namespace vorlix::cli
