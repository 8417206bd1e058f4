#pragma once

// A first run plays something without being told what: with no location on
// the command line and no favorites, the directory's most listened stations
// become the playlist, so the middle soft key plays a real station.

// Stations asked for: a screenful or two to choose from.
inline constexpr int kFirstRunStations = 40;

// Whether a first run asks the directory (default true). Off in the window
// tests, whose windows never depend on a network they did not set up.
void setFirstRunAsksDirectory(bool on);
bool firstRunAsksDirectory();
