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
    stream_->recordWriteOut();
}

void RadioStreamScanThread::work()
{
    stream_->probeRun();
}
