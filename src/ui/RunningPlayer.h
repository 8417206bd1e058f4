#pragma once

struct CommandLineOptions;

// When a player already runs on the session bus, hands it the command
// line's locations (or asks it to come to the front when there are none)
// and returns true: this start of the program then has nothing left to do.
// False when no player runs, there is no session bus, or the command line
// asks for something else (its usage line).
bool handOverToRunningPlayer(const CommandLineOptions &options);
