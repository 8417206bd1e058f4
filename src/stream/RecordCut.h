#pragma once

#include <QByteArray>

#include <cstddef>

// A metadata text inside a run of recorded bytes: the audio it names
// begins `offset` bytes into the run.
struct RecordCut
{
    size_t offset = 0;
    QByteArray text;
};
