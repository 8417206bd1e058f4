#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryFile>

// Collects what is written to standard error while it lives, by any thread.
// Reading does not stop the capture, so a test can wait for a line to appear.
class StderrCapture
{
public:
    StderrCapture();
    ~StderrCapture();
    StderrCapture(const StderrCapture &) = delete;
    StderrCapture &operator=(const StderrCapture &) = delete;

    // Everything written so far, as bytes.
    QByteArray bytes();
    // The same, decoded from the locale's encoding.
    QString text();

private:
    QTemporaryFile file_;
    int saved_ = -1;
};
