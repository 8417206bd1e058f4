#pragma once

// How a playlist text is read: one location per line (only "http://" lines),
// PLS, or extended M3U that falls back to a plain list.
enum class PlayListFormat { PlainList = 0, Pls = 1, M3u = 2 };
