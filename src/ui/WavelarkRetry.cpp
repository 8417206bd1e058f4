// A stream error: retry or give up, and the error dialog.
#include "Wavelark.h"

#include "Dialog.h"
#include "stream.h"

#include <QLabel>

void Wavelark::onStreamError()
{
    postSelf(StreamFormatEvent);
    // A device that cannot be opened leaves the entry unmarked: nothing is
    // retried or skipped, and the reason is shown once.
    const Transport::ErrorOutcome outcome = transport_->streamError();
    if (outcome == Transport::ErrorOutcome::GaveUp ||
        (outcome == Transport::ErrorOutcome::NotFailed && stream_->takeDeviceError() != 0))
        showErrorDialog(transport_->activeError());
}

void Wavelark::showErrorDialog(const QString &message, const QString &title)
{
    Dialog dialog(title.isNull() ? tr("Connection error") : title, Dialog::Kind::Error, this);
    auto *label = new QLabel(&dialog);
    // Error texts may come from a server.
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    label->setText(message);
    label->setObjectName(QStringLiteral("errorText"));
    dialog.addContent(label);
    dialog.addButton(tr("OK"), true);
    dialog.exec();
}
