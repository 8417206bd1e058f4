#pragma once

#include "CommandLineOptions.h"

#include <QString>

#include <cstdio>

// Parses argv with getopt. -h, -f and unknown options print the usage line
// on `err` and request a quit; parsing goes on. --help (the usage line and
// the options) and --version print on `out` and request a quit with status
// 0; another long option prints the usage line once on `err`. A bare "--"
// ends the options.
CommandLineOptions parseCommandLine(int argc, char **argv, FILE *err = stderr, FILE *out = stdout);

// True when --help or --version comes before any bare "--": the program can
// answer before it needs a display.
bool asksForInformation(int argc, char **argv);

// The usage line, without its newline.
QString usageLine();
