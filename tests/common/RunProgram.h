#pragma once

#include <QString>
#include <QStringList>

// Runs a program with its output discarded and waits for it; true when it
// exited with 0. Plain fork and exec: QProcess spawns in a way that
// ThreadSanitizer cannot follow, after which it misreports locked accesses.
bool runProgram(const QString &program, const QStringList &args);
