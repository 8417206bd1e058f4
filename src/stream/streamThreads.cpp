#include "streamThreads.h"

#include "stream.h"

void RadioStreamDecodeThread::work()
{
    stream_->decodeLoop();
}

void RadioStreamReadThread::work()
{
    stream_->readPass();
}

void RadioStreamRecordThread::work()
{
    // Recording arrives with its own pieces; nothing to write yet.
}

void RadioStreamScanThread::work()
{
    stream_->probeRun();
}
