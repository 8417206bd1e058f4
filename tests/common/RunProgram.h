#pragma once

#include <QString>
#include <QStringList>

#include <sys/types.h>

// Runs a program with its output discarded and waits for it; true when it
// exited with 0. Plain fork and exec: QProcess spawns in a way that
// ThreadSanitizer cannot follow, after which it misreports locked accesses.
bool runProgram(const QString &program, const QStringList &args, const QStringList &env = {});

// Starts a program with its input and output on /dev/null and the
// environment entries `env` ("NAME=value") added; its pid, or -1.
pid_t startProgram(const QString &program, const QStringList &args, const QStringList &env = {});
// The same with standard error written to the file `errorLog` (none when empty).
pid_t startProgramLogged(const QString &program, const QStringList &args, const QStringList &env,
                         const QString &errorLog);
