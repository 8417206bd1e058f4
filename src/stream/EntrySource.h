#pragma once

class PlayListItem;

// True when there is no entry, false for network URLs ("ftps://", "ftp://",
// "http://", "https://"), else true exactly for "file://" URLs. The tests
// are case-sensitive prefix tests.
bool isLocalEntry(const PlayListItem *item);
