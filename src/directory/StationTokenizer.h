#pragma once

#include "shoutCastStation.h"

#include <QByteArrayView>

// Reads the attributes of one station element, the text from "<station "
// through its closing "/>", into a station (every field but `url`).
//
// Walks the text after the first 9 characters with a token, a current key, a
// key-expected flag and an inside-quotes flag: "=" while a key is expected
// makes the token the (lower-cased) key; a double quote toggles the flag and
// is dropped; ">" or a space outside quotes ends a value. Keys name, mt, ct
// and genre take text (see xmlAttributeText), id a signed decimal, br an
// unsigned decimal, lc an unsigned long decimal; other keys are ignored.
//
// The closing "/>" ends the last value (its "/" is not part of it), and an
// empty value, or a word that had no "=", assigns nothing.
ShoutCastStation parseStationElement(QByteArrayView element);
