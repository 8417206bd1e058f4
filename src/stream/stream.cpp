#include "stream.h"

RadioStream::RadioStream(QObject *receiver, AudioOps *ops, int verbosity)
    : receiver_(receiver), audioOps_(ops), verbosity_(verbosity)
{
}

RadioStream::~RadioStream() = default;
