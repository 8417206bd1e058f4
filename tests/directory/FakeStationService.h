#pragma once

#include <QByteArray>

// Answers in the shape of the community station service's JSON, with the
// oddities found in its data: non-ASCII names, fields missing or of the
// wrong type, an empty url_resolved, the same station twice, bitrate 0, an
// address that is no stream.
namespace fake_service {

// /json/tags: jazz, Rock & Roll and música latina, then an empty name, jazz
// again and an entry without a name.
QByteArray tags();

// /json/stations/...: the entries below, read as
//   Jazz FM 91          http://jazz.example/fm91           MP3 128  420 clicks
//   Radio Café Zürich ♫ http://cafe.example/live.ogg (url) OGG 0    77
//   (no name)           http://bare.example/stream
//   (name of wrong type) https://secure.example/live       AAC+ 96 (as text)
// and dropped: a second Jazz FM 91 at the same address, a station with the
// Café's id, one whose address is a local file.
QByteArray stations();

constexpr const char *kJazzFmId = "96062a7b-0601-11e8-ae97-52543be04c81";
constexpr const char *kCafeId = "c5a0d3f4-1b2e-4c6d-8e9f-0a1b2c3d4e5f";

// A service error page served with status 200.
QByteArray htmlErrorPage();

} // namespace fake_service
