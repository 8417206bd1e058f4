#include "FakeStationService.h"

namespace fake_service {

QByteArray tags()
{
    return R"json([
 {"name":"jazz","stationcount":912},
 {"name":"Rock & Roll","stationcount":504},
 {"name":"música  latina","stationcount":311},
 {"name":"","stationcount":40},
 {"name":"jazz","stationcount":3},
 {"stationcount":2}
])json";
}

QByteArray stations()
{
    return R"json([
{"changeuuid":"5f1d3a0e-0601-11e8-ae97-52543be04c81","stationuuid":"96062a7b-0601-11e8-ae97-52543be04c81",
 "serveruuid":null,"name":"Jazz FM 91","url":"http://jazz.example/fm91.pls",
 "url_resolved":"http://jazz.example/fm91","homepage":"https://jazz.example/","favicon":"",
 "tags":"jazz,smooth jazz,","country":"Canada","countrycode":"CA","state":"Ontario",
 "language":"english","votes":120,"lastchangetime":"2024-03-01 10:00:00","codec":"MP3",
 "bitrate":128,"hls":0,"lastcheckok":1,"clickcount":420,"clicktrend":3,"ssl_error":0,
 "geo_lat":43.65,"geo_long":-79.38,"has_extended_info":false},
{"stationuuid":"c5a0d3f4-1b2e-4c6d-8e9f-0a1b2c3d4e5f","name":" Radio Caf\u00e9 Z\u00fcrich \u266b ",
 "url":"http://cafe.example/live.ogg","url_resolved":"","tags":"jazz","codec":"OGG",
 "bitrate":0,"clickcount":77},
{"stationuuid":"0b7c1e2a-3d4f-4a5b-9c6d-7e8f90a1b2c3","name":"Jazz FM 91 (mirror)",
 "url_resolved":"http://jazz.example/fm91","codec":"MP3","bitrate":128,"clickcount":12},
{"url":"http://bare.example/stream"},
{"stationuuid":"c5a0d3f4-1b2e-4c6d-8e9f-0a1b2c3d4e5f","name":"Caf\u00e9 again",
 "url_resolved":"http://cafe.example/other","codec":"MP3","bitrate":64,"clickcount":5},
{"stationuuid":"1e2d3c4b-5a69-4788-9a0b-c1d2e3f4a5b6","name":"Local file",
 "url":"file:///etc/passwd","url_resolved":""},
{"stationuuid":"not-an-id","name":5,"url_resolved":"https://secure.example/live",
 "codec":"AAC+","bitrate":"96","clickcount":-3,"tags":null,"hls":1},
"not a station", 42, null
]
)json";
}

QByteArray htmlErrorPage()
{
    return "<!DOCTYPE html>\n<html><head><title>503 Service Unavailable</title></head>\n"
           "<body><h1>Service Unavailable</h1><p>Try again later.</p></body></html>\n";
}

} // namespace fake_service
