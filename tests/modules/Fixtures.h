#pragma once
// Test streams made at test time with the system's encoders (the AAC ones
// are committed files), cached for the run.
#include <QByteArray>
#include <QString>

#include <vector>

struct FixtureSpec
{
    QString codec;    // module name
    int rate;         // Hz of the encoder input
    int channels;
    int tone;         // Hz of the sine
    double seconds;
    QString id() const;
};

// The three variants every module is tested on: 44.1 kHz stereo, 22.05 kHz
// mono, 48 kHz stereo.
std::vector<FixtureSpec> standardFixtures(const QString &codec);

// The encoded bytes of `spec`, with tags TITLE "<id>", ARTIST "Wavelark
// Tests", ALBUM "Fixtures" where the format carries tags (not for AAC).
// Empty when the encoder failed (the test then fails on that).
QByteArray fixture(const FixtureSpec &spec);
// Same, with an explicit title (for chained-stream tests).
QByteArray fixture(const FixtureSpec &spec, const QString &title);

// The 16-bit PCM the encoders were given for `spec`.
QByteArray sourcePcm(const FixtureSpec &spec);
