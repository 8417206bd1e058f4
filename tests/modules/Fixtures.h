#pragma once
// Test streams made at test time with the system's encoders (the AAC ones
// are committed files), cached for the run.
#include <QByteArray>
#include <QString>

#include <vector>

struct FixtureRecipe
{
    QString codec; // module name
    int rate;      // Hz of the encoder input
    int channels;
    int tone; // Hz of the sine
    double seconds;
    QString id() const;
};

// The three variants every module is tested on: 44.1 kHz stereo, 22.05 kHz
// mono, 48 kHz stereo.
std::vector<FixtureRecipe> standardFixtures(const QString &codec);

// The encoded bytes of `recipe`, with tags TITLE "<id>", ARTIST "Wavelark
// Tests", ALBUM "Fixtures" where the format carries tags (not for AAC).
// Empty when the encoder failed (the test then fails on that).
QByteArray fixture(const FixtureRecipe &recipe);
// Same, with an explicit title (for chained-stream tests).
QByteArray fixture(const FixtureRecipe &recipe, const QString &title);

// The 16-bit PCM the encoders were given for `recipe`.
QByteArray sourcePcm(const FixtureRecipe &recipe);
