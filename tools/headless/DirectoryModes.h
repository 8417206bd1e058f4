#pragma once

#include <optional>

// The directory modes of wavelark-headless, for developers and acceptance
// checks:
//   wavelark-headless [-v] [-t SECONDS] --genres
//   wavelark-headless [-v] [-t SECONDS] --stations GENRE
//   wavelark-headless [-v] [-t SECONDS] --search TEXT
// --genres prints one genre name per line; --stations and --search print one
// station per line, tab-separated: name, id, bitrate, listeners, genre, mime
// type, current track, URL (the tune-in playlist, or the stream itself from
// the community station service). The directory is WAVELARK_DIRECTORY_URL
// when set, else the service at WAVELARK_RADIO_BROWSER_URL or its default
// root. An error prints the error text on standard error and exits 1; -t
// gives up after that many seconds (exit 1).
//
// Returns the exit code when the arguments ask for a directory mode, else
// nothing. Needs the application object.
std::optional<int> runDirectoryMode(int argc, char **argv);
