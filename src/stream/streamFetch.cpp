// Auxiliary fetches: small downloads on the stream's multi handle.
#include "stream.h"

#include "RadioStreamWorker.h"
#include "StreamTransfer.h"

#include <QThread>

unsigned RadioStream::startFetch(const QString &url, const QByteArray &userAgent)
{
    const unsigned id = queueFetch(url, userAgent);
    // The timer lives on the GUI thread; a subscriber may start a fetch
    // from the read thread.
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (!fetchTimer_.isActive())
                fetchTimer_.start(settings_.readInterval);
        },
        QThread::currentThread() == thread() ? Qt::DirectConnection : Qt::QueuedConnection);
    return id;
}

unsigned RadioStream::queueFetch(const QString &url, const QByteArray &userAgent)
{
    CurlTransferOptions options;
    options.url = url;
    options.userAgent = userAgent;
    options.verbosity = verbosity_;
    options.proxy = {settings_.proxy, settings_.proxyType, settings_.proxyUsername,
                     settings_.proxyPassword, settings_.allowedProxyPorts};
    return transfer_->startFetch(options, settings_.connectTimeout);
}

bool RadioStream::cancelFetch(unsigned id)
{
    return transfer_->cancelFetch(id);
}

QString RadioStream::takeFetchError(unsigned id)
{
    return transfer_->takeFetchError(id);
}

unsigned RadioStream::fetchCount()
{
    return transfer_->fetchCount();
}

void RadioStream::waitForFetches()
{
    fetchTimer_.stop();
    readThread_->join();
}

void RadioStream::slotFetch()
{
    if (readThread_->active())
        return;
    readThread_->join();
    transfer_->pending = false;
    if (transfer_->removeCancelledFetches())
        readThread_->begin();
    else
        fetchTimer_.stop();
}
